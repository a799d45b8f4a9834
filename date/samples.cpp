#include "date/samples.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/csv_rows.hpp"
#include "curve/file_text.hpp"

namespace date {

namespace {

using console::quoted_text;

// Columns by their index in SAMPLE_COLUMNS.
constexpr std::size_t NAME = 0;
constexpr std::size_t LATITUDE = 6;
constexpr std::size_t LONGITUDE = 7;
constexpr std::size_t EVENT = 8;
constexpr std::size_t C14_AGE = 9;
constexpr std::size_t C14_CURVE = 11;
static_assert(SAMPLE_COLUMNS[NAME] == "name" && SAMPLE_COLUMNS[LATITUDE] == "lat" &&
              SAMPLE_COLUMNS[LONGITUDE] == "lon" && SAMPLE_COLUMNS[EVENT] == "event" &&
              SAMPLE_COLUMNS[C14_AGE] == "c14_age" && SAMPLE_COLUMNS[C14_CURVE] == "c14_curve");

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
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

std::string sample_columns_text() {
  std::string text;
  for (const std::string_view column : SAMPLE_COLUMNS) {
    text += (text.empty() ? "" : ", ") + std::string(column);
  }
  return text;
}

SamplesReader::SamplesReader(std::streambuf& in, std::string name)
    : in_(in), name_(std::move(name)) {
  if (!next_line()) {
    throw SamplesFileError(name_ + (empty_ ? " is empty" : " holds only blank lines") +
                           "; expected a header row naming the columns, e.g. "
                           "name,dec,inc,a95,int,sigma_int");
  }
  const std::string where = name_ + ", line " + std::to_string(first_line_);
  if (too_long_) {
    throw SamplesFileError(where + ": more than " + std::to_string(MAX_SAMPLES_LINE_BYTES) +
                           " bytes, longer than any header row");
  }
  const curve::CsvFields header = curve::split_csv_fields(line_);
  if (!header.error.empty()) throw SamplesFileError(where + ": " + header.error);
  for (const std::string& column : header.fields) {
    const auto found = std::find(SAMPLE_COLUMNS.begin(), SAMPLE_COLUMNS.end(), column);
    if (found == SAMPLE_COLUMNS.end()) {
      throw SamplesFileError(where + ": unknown column " + quoted_text(column) +
                             "; the columns are " + sample_columns_text());
    }
    const auto index = static_cast<std::size_t>(found - SAMPLE_COLUMNS.begin());
    for (const std::size_t known : columns_) {
      if (known == index) throw SamplesFileError(where + ": column " + column + " twice");
    }
    columns_.push_back(index);
  }
}

bool SamplesReader::has_column(std::string_view column) const {
  return std::any_of(columns_.begin(), columns_.end(),
                     [column](std::size_t k) { return SAMPLE_COLUMNS[k] == column; });
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
    first_line_ = line_number_;
    if (too_long_) return true;
    if (line_.ends_with('\r')) line_.pop_back();
    if (!is_blank_line(line_)) {
      curve::join_quoted_lines(in_, MAX_SAMPLES_LINE_BYTES, line_, too_long_, line_number_);
      return true;
    }
  }
}

std::optional<SampleRow> SamplesReader::next() {
  if (!next_line()) return std::nullopt;
  SampleRow row;
  row.line = first_line_;
  row.measurement.name = "line " + std::to_string(first_line_);
  const std::string row_where = "line " + std::to_string(first_line_);
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
    // The texts first, so that a row with a bad value is still named.
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      if (columns_[k] == NAME && !split.fields[k].empty()) row.measurement.name = split.fields[k];
      if (columns_[k] == EVENT) row.event = split.fields[k];
      if (columns_[k] == C14_CURVE && !split.fields[k].empty()) {
        row.c14.emplace().curve = split.fields[k];
      }
    }
    C14Input c14;
    std::optional<double> latitude, longitude;
    for (std::size_t k = 0; k < columns_.size() && row.error.empty(); ++k) {
      const std::string& field = split.fields[k];
      const auto column = static_cast<std::size_t>(columns_[k]);
      if (column == NAME || column == EVENT || column == C14_CURVE || field.empty()) {
        continue;  // a text, or missing
      }
      const ValueReading reading = read_value(field);
      const std::string where = row_where + ", column " + std::string(SAMPLE_COLUMNS[column]);
      if (!reading.error.empty()) {
        row.error = where + ": " + reading.error;
        continue;
      }
      dating::Measurement& m = row.measurement;
      std::optional<double>* slots[] = {nullptr,      &m.declination,    &m.inclination,
                                        &m.alpha95,   &m.intensity,      &m.intensity_sigma,
                                        &latitude,    &longitude,        nullptr,
                                        &c14.age,     &c14.sigma,        nullptr,
                                        &c14.delta_r, &c14.delta_r_sigma};
      *slots[column] = reading.value;
      if (column >= C14_AGE && !row.c14) row.c14.emplace();
      if (column == LATITUDE && std::fabs(reading.value) > 90.0) {
        row.error = where + ": a latitude lies between -90 and 90 degrees: " +
                    console::shortest_text(reading.value);
      }
      if (column == LONGITUDE && !(reading.value >= -180.0 && reading.value <= 360.0)) {
        row.error = where + ": a longitude lies between -180 and 360 degrees: " +
                    console::shortest_text(reading.value);
      }
    }
    if (row.error.empty() && latitude.has_value() != longitude.has_value()) {
      row.error = row_where + ": the site needs both lat and lon; " + (latitude ? "lon" : "lat") +
                  " is missing";
    }
    if (row.error.empty() && latitude) row.site = curve::Site{*latitude, *longitude};
    if (row.c14) {
      c14.curve = row.c14->curve;
      row.c14 = c14;
      const dating::Measurement& m = row.measurement;
      if (row.error.empty() &&
          (m.declination || m.inclination || m.alpha95 || m.intensity || m.intensity_sigma)) {
        row.error = row_where +
                    ": a row holds either an archaeomagnetic measurement or a radiocarbon age, "
                    "not both; give each its own row";
      }
    }
  }
  return row;
}

}  // namespace date
