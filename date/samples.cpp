#include "date/samples.hpp"

#include <cmath>
#include <optional>

#include "console/numbers.hpp"
#include "curve/csv_rows.hpp"
#include "curve/file_text.hpp"

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

bool is_blank_line(std::string_view line) { return trimmed(line).empty(); }

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

SamplesReader::SamplesReader(std::streambuf& in, std::string name)
    : in_(in), name_(std::move(name)) {
  if (!next_line()) {
    throw SamplesFileError(name_ + (empty_ ? " is empty" : " holds only blank lines") +
                           "; expected a header row naming the columns, e.g. "
                           "name,dec,inc,a95,int,sigma_int");
  }
  const std::string where = name_ + ", line " + std::to_string(line_number_);
  if (too_long_) {
    throw SamplesFileError(where + ": more than " + std::to_string(MAX_SAMPLES_LINE_BYTES) +
                           " bytes, longer than any header row");
  }
  const curve::CsvFields header = curve::split_csv_fields(line_);
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
    for (const int known : columns_) {
      if (known == index) throw SamplesFileError(where + ": column " + column + " twice");
    }
    columns_.push_back(index);
  }
}

bool SamplesReader::next_line() {
  while (true) {
    const curve::LineEnd end =
        curve::read_bounded_line(in_, MAX_SAMPLES_LINE_BYTES, line_, too_long_);
    if (end == curve::LineEnd::none) return false;
    ++line_number_;
    if (line_number_ == 1) {
      if (line_.starts_with("\xEF\xBB\xBF")) line_.erase(0, 3);
      // Nothing but a byte order mark, if that.
      empty_ = line_.empty() && end == curve::LineEnd::end_of_input;
    }
    if (too_long_) return true;
    if (line_.ends_with('\r')) line_.pop_back();
    if (!is_blank_line(line_)) return true;
  }
}

std::optional<SampleRow> SamplesReader::next() {
  if (!next_line()) return std::nullopt;
  SampleRow row;
  row.line = line_number_;
  row.measurement.name = "line " + std::to_string(line_number_);
  const std::string row_where = "line " + std::to_string(line_number_);
  if (too_long_) {
    row.error = row_where + ": more than " + std::to_string(MAX_SAMPLES_LINE_BYTES) +
                " bytes, longer than any row of samples";
    return row;
  }
  const curve::CsvFields split = curve::split_csv_fields(line_);
  if (!split.error.empty()) {
    row.error = row_where + ": " + split.error;
  } else if (split.fields.size() != columns_.size()) {
    row.error = row_where + ": " + std::to_string(split.fields.size()) +
                (split.fields.size() == 1 ? " field" : " fields") + ", but the header names " +
                std::to_string(columns_.size());
  } else {
    // The name first, so that a row with a bad value is still named.
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      if (columns_[k] == 0 && !split.fields[k].empty()) row.measurement.name = split.fields[k];
    }
    for (std::size_t k = 0; k < columns_.size() && row.error.empty(); ++k) {
      const std::string& field = split.fields[k];
      const auto column = static_cast<std::size_t>(columns_[k]);
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
  return row;
}

}  // namespace date
