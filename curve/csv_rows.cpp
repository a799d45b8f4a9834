#include "curve/csv_rows.hpp"

#include <cmath>

#include "console/numbers.hpp"
#include "curve/file_text.hpp"

namespace curve {

namespace {

using console::quoted_text;

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

CsvFields split_csv_fields(std::string_view line) {
  CsvFields split;
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && is_blank(line[at])) ++at;
    std::string field;
    if (at < line.size() && line[at] == '"') {
      bool closed = false;
      for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
          field += line[at];
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
          field += '"';
          ++at;
        } else {
          closed = true;
          ++at;
          break;
        }
      }
      while (at < line.size() && is_blank(line[at])) ++at;
      if (!closed || (at < line.size() && line[at] != ',')) {
        split.error = "field " + std::to_string(split.fields.size() + 1) +
                      (closed ? " has text after its closing quote"
                              : " opens a quote that the line does not close");
        return split;
      }
    } else {
      const std::size_t end = std::min(line.find(',', at), line.size());
      field = std::string(trimmed(line.substr(at, end - at)));
      at = end;
    }
    split.fields.push_back(std::move(field));
    if (at >= line.size()) return split;
    ++at;  // the comma
  }
}

SitesReader::SitesReader(std::streambuf& in, std::string name) : in_(in), name_(std::move(name)) {
  if (!next_line()) {
    throw SitesFileError(name_ + (empty_ ? " is empty" : " holds only blank lines") +
                         "; expected a header row naming the columns name,lat,lon");
  }
  const std::string where = name_ + ", line " + std::to_string(line_number_);
  if (too_long_) {
    throw SitesFileError(where + ": more than " + std::to_string(MAX_SITES_LINE_BYTES) +
                         " bytes, longer than any header row");
  }
  const CsvFields header = split_csv_fields(line_);
  if (!header.error.empty()) throw SitesFileError(where + ": " + header.error);
  std::array<bool, SITE_COLUMNS.size()> seen{};
  for (std::size_t k = 0; k < header.fields.size(); ++k) {
    const std::string& field = header.fields[k];
    std::size_t column = 0;
    while (column < SITE_COLUMNS.size() && field != SITE_COLUMNS[column]) ++column;
    if (column == SITE_COLUMNS.size()) {
      throw SitesFileError(where + ": unknown column " + quoted_text(field) +
                           "; the columns are name, lat, lon");
    }
    if (seen[column]) throw SitesFileError(where + ": column " + field + " twice");
    seen[column] = true;
    position_[column] = k;
  }
  for (std::size_t column = 0; column < SITE_COLUMNS.size(); ++column) {
    if (!seen[column]) {
      throw SitesFileError(where + ": no column " + std::string(SITE_COLUMNS[column]) +
                           "; the columns are name, lat, lon");
    }
  }
  field_count_ = header.fields.size();
}

bool SitesReader::next_line() {
  while (true) {
    const LineEnd end = read_bounded_line(in_, MAX_SITES_LINE_BYTES, line_, too_long_);
    if (end == LineEnd::none) return false;
    ++line_number_;
    if (line_number_ == 1) {
      if (line_.starts_with("\xEF\xBB\xBF")) line_.erase(0, 3);
      empty_ = line_.empty() && end == LineEnd::end_of_input;
    }
    if (too_long_) return true;
    if (line_.ends_with('\r')) line_.pop_back();
    if (!trimmed(line_).empty()) return true;
  }
}

std::optional<SiteRow> SitesReader::next() {
  if (!next_line()) return std::nullopt;
  SiteRow row;
  row.line = line_number_;
  const std::string where = "line " + std::to_string(line_number_);
  if (too_long_) {
    row.error = where + ": more than " + std::to_string(MAX_SITES_LINE_BYTES) +
                " bytes, longer than any row of sites";
    return row;
  }
  const CsvFields split = split_csv_fields(line_);
  if (!split.error.empty()) {
    row.error = where + ": " + split.error;
    return row;
  }
  if (split.fields.size() != field_count_) {
    row.error = where + ": " + std::to_string(split.fields.size()) +
                (split.fields.size() == 1 ? " field" : " fields") + ", but the header names " +
                std::to_string(field_count_);
    return row;
  }
  row.name = split.fields[position_[0]];
  for (const std::size_t column : {std::size_t{1}, std::size_t{2}}) {
    const std::string& field = split.fields[position_[column]];
    const std::optional<double> value = console::parse_real(field, console::NumberForm::decimal);
    if (!value || !std::isfinite(*value)) {
      row.error = where + ", column " + std::string(SITE_COLUMNS[column]) +
                  ": expected a number of degrees, read " + quoted_text(field);
      return row;
    }
    (column == 1 ? row.latitude : row.longitude) = *value;
  }
  return row;
}

}  // namespace curve
