// Fuzz target: whatever a samples file of karven-date holds, a
// SamplesReader either throws a SamplesFileError that names the file (no
// header row, an unknown or repeated column, a header too long) or gives
// one row per line that is not blank after the header, each with its
// line, its name and its values, or with the reason it holds none (a line
// too long among them).
//
// The outcome is held against a reading of the same bytes made here: the
// lines split at line feeds, each line's fields read by a small state
// machine of its own, the columns matched by name, and each value by the
// C library's conversion.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/fields.hpp"
#include "date/samples.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

constexpr std::string_view FILE_NAME = "samples.csv";
constexpr std::size_t MAX_SHOWN = 40;

std::string shown(std::string_view token) {
  const bool cut = token.size() > MAX_SHOWN;
  return fuzz::quoted_token(cut ? token.substr(0, MAX_SHOWN) : token, cut);
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view without_blanks(std::string_view text) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Whether a record ends within a quoted field: a quote opens a field that
// begins with it (after blanks), "" stands for a quote inside, and a lone
// quote closes it. Such a record goes on over the next line.
bool ends_quoted(std::string_view record) {
  bool quoted = false;
  bool starting = true;  // no character but blanks yet in this field
  for (std::size_t k = 0; k < record.size(); ++k) {
    const char c = record[k];
    if (quoted) {
      if (c == '"' && k + 1 < record.size() && record[k + 1] == '"') {
        ++k;
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (c == ',') {
      starting = true;
    } else if (c == '"' && starting) {
      quoted = true;
      starting = false;
    } else if (!blank(c)) {
      starting = false;
    }
  }
  return quoted;
}

// The fields of a line, read character by character; or the reason why
// the line has none.
struct Fields {
  std::vector<std::string> values;
  std::string error;
};

Fields fields_of(std::string_view line) {
  enum class State { before, plain, quoted, quote_in_quoted, after_quoted };
  Fields f;
  State state = State::before;
  std::string field;
  const auto end_field = [&]() {
    f.values.push_back(state == State::plain ? std::string(without_blanks(field)) : field);
    field.clear();
    state = State::before;
  };
  for (const char c : line) {
    const std::string number = std::to_string(f.values.size() + 1);
    switch (state) {
      case State::before:
        if (c == '"') {
          state = State::quoted;
        } else if (c == ',') {
          end_field();
        } else if (!blank(c)) {
          field += c;
          state = State::plain;
        }
        break;
      case State::plain:
        if (c == ',') {
          end_field();
        } else {
          field += c;
        }
        break;
      case State::quoted:
        if (c == '"') {
          state = State::quote_in_quoted;
        } else {
          field += c;
        }
        break;
      case State::quote_in_quoted:
        if (c == '"') {
          field += '"';
          state = State::quoted;
        } else if (c == ',') {
          state = State::after_quoted;
          end_field();
        } else if (blank(c)) {
          state = State::after_quoted;
        } else {
          f.error = "field " + number + " has text after its closing quote";
          return f;
        }
        break;
      case State::after_quoted:
        if (c == ',') {
          end_field();
        } else if (!blank(c)) {
          f.error = "field " + number + " has text after its closing quote";
          return f;
        }
        break;
    }
  }
  if (state == State::quoted) {
    f.error = "field " + std::to_string(f.values.size() + 1) +
              " opens a quote that the line does not close";
    return f;
  }
  end_field();
  return f;
}

struct ExpectedRow {
  int line = 0;
  std::string name;
  std::array<std::optional<double>, 14> values;  // by column; [0], [8], [11] unused
  std::string c14_curve;
  bool c14 = false;  // a radiocarbon column is given
  std::string event;
  std::string error;
};

struct Expected {
  std::string file_error;
  std::vector<ExpectedRow> rows;
};

Expected expected_reading(std::string_view text) {
  Expected e;
  const std::string file(FILE_NAME);
  const bool bom = text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) text.remove_prefix(3);
  std::vector<int> columns;
  bool header = false;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++number;
    const int first = number;
    const std::string at = "line " + std::to_string(first);
    // Every byte before the line feed counts, a byte order mark too.
    const std::size_t length = raw.size() + (number == 1 && bom ? 3 : 0);
    bool too_long = length > date::MAX_SAMPLES_LINE_BYTES;
    std::string line;
    if (!too_long) {
      line = std::string(raw);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (without_blanks(line).empty()) continue;
      // A quoted field runs over the next lines until its quote closes,
      // the record staying within the longest line.
      while (ends_quoted(line) && start < text.size()) {
        end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view more = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const std::size_t room = date::MAX_SAMPLES_LINE_BYTES > line.size() + 1
                                     ? date::MAX_SAMPLES_LINE_BYTES - line.size() - 1
                                     : 0;
        if (more.size() > room) {
          too_long = true;
          break;
        }
        line += '\n';
        line += more;
        if (line.back() == '\r') line.pop_back();
      }
    }
    if (too_long) {
      const std::string more = ": more than " + std::to_string(date::MAX_SAMPLES_LINE_BYTES) +
                               " bytes, longer than any ";
      if (!header) {
        e.file_error = file + ", " + at + more + "header row";
        return e;
      }
      ExpectedRow row;
      row.line = first;
      row.name = at;
      row.error = at + more + "row of samples";
      e.rows.push_back(row);
      continue;
    }
    const Fields fields = fields_of(line);
    if (!header) {
      if (!fields.error.empty()) {
        e.file_error = file + ", " + at + ": " + fields.error;
        return e;
      }
      for (const std::string& name : fields.values) {
        int index = -1;
        for (std::size_t k = 0; k < date::SAMPLE_COLUMNS.size(); ++k) {
          if (name == date::SAMPLE_COLUMNS[k]) index = static_cast<int>(k);
        }
        if (index < 0) {
          e.file_error = file + ", " + at + ": unknown column " + shown(name) +
                         "; the columns are name, dec, inc, a95, int, sigma_int, lat, lon, event, "
                         "c14_age, c14_sigma, c14_curve, delta_r, delta_r_sigma";
          return e;
        }
        for (const int seen : columns) {
          if (seen == index) {
            e.file_error = file + ", " + at + ": column " + name + " twice";
            return e;
          }
        }
        columns.push_back(index);
      }
      header = true;
      continue;
    }
    ExpectedRow row;
    row.line = first;
    row.name = at;
    if (!fields.error.empty()) {
      row.error = at + ": " + fields.error;
    } else if (fields.values.size() != columns.size()) {
      const std::size_t n = fields.values.size();
      row.error = at + ": " + std::to_string(n) + (n == 1 ? " field" : " fields") +
                  ", but the header names " + std::to_string(columns.size());
    } else {
      for (std::size_t k = 0; k < columns.size(); ++k) {
        if (columns[k] == 0 && !fields.values[k].empty()) row.name = fields.values[k];
        if (columns[k] == 8) row.event = fields.values[k];
        if (columns[k] == 11 && !fields.values[k].empty()) {
          row.c14_curve = fields.values[k];
          row.c14 = true;
        }
      }
      for (std::size_t k = 0; k < columns.size() && row.error.empty(); ++k) {
        const auto column = static_cast<std::size_t>(columns[k]);
        const std::string& value = fields.values[k];
        if (column == 0 || column == 8 || column == 11 || value.empty()) continue;
        const std::string_view token = without_blanks(value);
        const std::optional<double> v = fuzz::reference_number(token, /*console_form=*/true);
        const std::string where = at + ", column " + std::string(date::SAMPLE_COLUMNS[column]);
        if (!v) {
          row.error = where + ": expected a number, read " + shown(token);
        } else if (*v != *v) {
          row.error = where + ": NaN is not a measured value, read " + shown(token);
        } else if (std::isinf(*v)) {
          row.error = where + ": an infinite value is not a measured value, read " + shown(token);
        } else if (column == 6 && !(*v >= -90.0 && *v <= 90.0)) {
          row.error =
              where + ": a latitude lies between -90 and 90 degrees: " + console::shortest_text(*v);
        } else if (column == 7 && !(*v >= -180.0 && *v <= 360.0)) {
          row.error = where + ": a longitude lies between -180 and 360 degrees: " +
                      console::shortest_text(*v);
        } else {
          row.values[column] = v;
          if (column >= 9) row.c14 = true;
        }
      }
      if (row.error.empty() && row.values[6].has_value() != row.values[7].has_value()) {
        row.error = at + ": the site needs both lat and lon; " + (row.values[6] ? "lon" : "lat") +
                    " is missing";
      }
      bool measured = false;
      for (std::size_t c = 1; c <= 5; ++c) measured = measured || row.values[c].has_value();
      if (row.error.empty() && row.c14 && measured) {
        row.error = at +
                    ": a row holds either an archaeomagnetic measurement or a radiocarbon age, "
                    "not both; give each its own row";
      }
    }
    e.rows.push_back(row);
  }
  if (!header) {
    e.file_error = file + (text.empty() ? " is empty" : " holds only blank lines") +
                   "; expected a header row naming the columns, e.g. "
                   "name,dec,inc,a95,int,sigma_int";
  }
  return e;
}

bool same_value(const std::optional<double>& a, const std::optional<double>& b) {
  return a.has_value() == b.has_value() && (!a || fuzz::same_number(*a, *b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Expected expected = expected_reading(text);
  std::vector<date::SampleRow> rows;
  std::string file_error;
  std::stringbuf bytes{std::string(text)};
  try {
    date::SamplesReader reader(bytes, std::string(FILE_NAME));
    while (std::optional<date::SampleRow> row = reader.next()) rows.push_back(std::move(*row));
  } catch (const date::SamplesFileError& e) {
    file_error = e.what();
  }
  fuzz::check(file_error == expected.file_error,
              "a file is refused as a whole exactly when its header is wrong, with the reason");
  if (!file_error.empty()) return 0;
  fuzz::check(rows.size() == expected.rows.size(),
              "each line that is not blank is a row, with the lines its quoted fields take in");
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const date::SampleRow& row = rows[k];
    const ExpectedRow& want = expected.rows[k];
    fuzz::check(row.line == want.line, "a row knows its line");
    fuzz::check(row.error == want.error, "a bad row says where and what is wrong");
    if (!row.error.empty()) continue;
    const dating::Measurement& m = row.measurement;
    fuzz::check(m.name == want.name, "a row's name is its name field, or its line");
    fuzz::check(
        same_value(m.declination, want.values[1]) && same_value(m.inclination, want.values[2]) &&
            same_value(m.alpha95, want.values[3]) && same_value(m.intensity, want.values[4]) &&
            same_value(m.intensity_sigma, want.values[5]),
        "each value lands in its place with its value, an empty field missing");
    fuzz::check(row.site.has_value() == want.values[6].has_value() &&
                    (!row.site || (fuzz::same_number(row.site->latitude, *want.values[6]) &&
                                   fuzz::same_number(row.site->longitude, *want.values[7]))),
                "a row's site is its lat and lon, both or neither");
    fuzz::check(row.event == want.event, "a row's event is its event field as written");
    fuzz::check(row.c14.has_value() == want.c14 &&
                    (!row.c14 || (row.c14->curve == want.c14_curve &&
                                  same_value(row.c14->age, want.values[9]) &&
                                  same_value(row.c14->sigma, want.values[10]) &&
                                  same_value(row.c14->delta_r, want.values[12]) &&
                                  same_value(row.c14->delta_r_sigma, want.values[13]))),
                "a row's radiocarbon values land in their places, the curve as written");
  }
  return 0;
}
