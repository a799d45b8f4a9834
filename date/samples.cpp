#include "date/samples.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "console/numbers.hpp"

namespace date {

namespace {

// Longest field a message quotes whole.
constexpr std::size_t MAX_QUOTED = 40;

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string quoted_text(std::string_view text) {
  const bool cut = text.size() > MAX_QUOTED;
  return console::quoted_token(cut ? text.substr(0, MAX_QUOTED) : text, cut);
}

// The fields of one line, or why it cannot be split.
struct SplitLine {
  std::vector<std::string> fields;
  std::string error;
};

SplitLine split_fields(std::string_view line) {
  SplitLine split;
  std::size_t at = 0;
  while (true) {
    // Blanks before a field.
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::string field;
    if (at < line.size() && line[at] == '"') {
      ++at;
      bool closed = false;
      while (at < line.size()) {
        if (line[at] == '"') {
          if (at + 1 < line.size() && line[at + 1] == '"') {
            field += '"';
            at += 2;
            continue;
          }
          ++at;
          closed = true;
          break;
        }
        field += line[at++];
      }
      if (!closed) {
        split.error = "field " + std::to_string(split.fields.size() + 1) +
                      " opens a quote that the line does not close";
        return split;
      }
      while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
      if (at < line.size() && line[at] != ',') {
        split.error = "field " + std::to_string(split.fields.size() + 1) +
                      " has text after its closing quote";
        return split;
      }
    } else {
      const std::size_t end = std::min(line.find(',', at), line.size());
      field = std::string(trimmed(line.substr(at, end - at)));
      at = end;
    }
    split.fields.push_back(std::move(field));
    if (at >= line.size()) break;
    ++at;  // the comma
  }
  return split;
}

bool is_blank_line(std::string_view line) { return trimmed(line).empty(); }

// A name as reports show it: control characters, which could move a
// terminal's cursor, become '?'.
std::string shown_name(std::string name) {
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = '?';
  }
  return name;
}

}  // namespace

ValueReading read_value(std::string_view text) {
  const std::string_view token = trimmed(text);
  ValueReading reading;
  const std::optional<double> value = console::parse_real(token, console::NumberForm::console);
  if (!value) {
    reading.error = "expected a number, read " + quoted_text(token);
  } else if (std::isnan(*value)) {
    reading.error = "NaN is not a measured value, read " + quoted_text(token);
  } else if (std::isinf(*value)) {
    reading.error = "an infinite value is not a measured value, read " + quoted_text(token);
  } else {
    reading.value = *value;
  }
  return reading;
}

std::vector<SampleRow> read_samples_text(std::string_view text, std::string_view name) {
  const std::string file(name);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

  std::vector<SampleRow> rows;
  std::vector<int> columns;  // index into SAMPLE_COLUMNS, by field
  bool have_header = false;
  int line_number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++line_number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (is_blank_line(line)) continue;
    const std::string where = file + ", line " + std::to_string(line_number);

    if (!have_header) {
      const SplitLine header = split_fields(line);
      if (!header.error.empty()) throw SamplesFileError(where + ": " + header.error);
      for (const std::string& column : header.fields) {
        int index = -1;
        for (std::size_t k = 0; k < SAMPLE_COLUMNS.size(); ++k) {
          if (column == SAMPLE_COLUMNS[k]) index = static_cast<int>(k);
        }
        if (index < 0) {
          throw SamplesFileError(where + ": unknown column " + quoted_text(column) +
                                 "; the columns are name, dec, inc, a95, int, sigma_int");
        }
        for (const int known : columns) {
          if (known == index) throw SamplesFileError(where + ": column " + column + " twice");
        }
        columns.push_back(index);
      }
      have_header = true;
      continue;
    }

    SampleRow row;
    row.line = line_number;
    row.measurement.name = "line " + std::to_string(line_number);
    const std::string row_where = "line " + std::to_string(line_number);
    const SplitLine split = split_fields(line);
    if (!split.error.empty()) {
      row.error = row_where + ": " + split.error;
    } else if (split.fields.size() != columns.size()) {
      row.error = row_where + ": " + std::to_string(split.fields.size()) +
                  (split.fields.size() == 1 ? " field" : " fields") + ", but the header names " +
                  std::to_string(columns.size());
    } else {
      // The name first, so that a row with a bad value is still named.
      for (std::size_t k = 0; k < columns.size(); ++k) {
        if (columns[k] == 0 && !split.fields[k].empty()) {
          row.measurement.name = shown_name(split.fields[k]);
        }
      }
      for (std::size_t k = 0; k < columns.size() && row.error.empty(); ++k) {
        const std::string& field = split.fields[k];
        const auto column = static_cast<std::size_t>(columns[k]);
        if (column == 0 || field.empty()) continue;  // the name, or a missing value
        const ValueReading reading = read_value(field);
        if (!reading.error.empty()) {
          row.error =
              row_where + ", column " + std::string(SAMPLE_COLUMNS[column]) + ": " + reading.error;
          continue;
        }
        dating::Measurement& m = row.measurement;
        std::optional<double>* slots[] = {nullptr,    &m.declination, &m.inclination,
                                          &m.alpha95, &m.intensity,   &m.intensity_sigma};
        *slots[column] = reading.value;
      }
    }
    rows.push_back(std::move(row));
  }
  if (!have_header) {
    throw SamplesFileError(file + (text.empty() ? " is empty" : " holds only blank lines") +
                           "; expected a header row naming the columns, e.g. "
                           "name,dec,inc,a95,int,sigma_int");
  }
  return rows;
}

std::vector<SampleRow> read_samples_file(const std::filesystem::path& path) {
  const auto cannot_read = [&path](int error) {
    return SamplesFileError("cannot read " + path.string() + ": " + std::strerror(error));
  };
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) throw cannot_read(EISDIR);
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw cannot_read(errno != 0 ? errno : ENOENT);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw cannot_read(errno != 0 ? errno : EIO);
  return read_samples_text(text, path.string());
}

}  // namespace date
