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

bool ends_in_quote(std::string_view line) {
  bool quoted = false;  // within a quoted field
  bool field_start = true;
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (quoted) {
      if (c != '"') continue;
      if (at + 1 < line.size() && line[at + 1] == '"') {
        ++at;
      } else {
        quoted = false;
      }
    } else if (c == ',') {
      field_start = true;
    } else if (field_start && c == '"') {
      quoted = true;
      field_start = false;
    } else if (!is_blank(c)) {
      field_start = false;
    }
  }
  return quoted;
}

void join_quoted_lines(std::streambuf& in, std::size_t max_bytes, std::string& record,
                       bool& too_long, int& line_number) {
  std::string more;
  while (!too_long && ends_in_quote(record)) {
    const std::size_t room = max_bytes > record.size() + 1 ? max_bytes - record.size() - 1 : 0;
    if (read_bounded_line(in, room, more, too_long) == LineEnd::none) return;
    ++line_number;
    if (more.ends_with('\r')) more.pop_back();
    record += '\n';
    record += more;
  }
}

SitesReader::SitesReader(std::streambuf& in, std::string name) : in_(in), name_(std::move(name)) {
  if (!next_line()) {
    throw SitesFileError(name_ + (empty_ ? " is empty" : " holds only blank lines") +
                         "; expected a header row naming the columns name,lat,lon");
  }
  const std::string where = name_ + ", line " + std::to_string(first_line_);
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
    first_line_ = line_number_;
    if (too_long_) return true;
    if (line_.ends_with('\r')) line_.pop_back();
    if (!trimmed(line_).empty()) {
      join_quoted_lines(in_, MAX_SITES_LINE_BYTES, line_, too_long_, line_number_);
      return true;
    }
  }
}

std::optional<SiteRow> SitesReader::next() {
  if (!next_line()) return std::nullopt;
  SiteRow row;
  row.line = first_line_;
  const std::string where = "line " + std::to_string(first_line_);
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
