#include "map/sites.hpp"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "console/numbers.hpp"

namespace field_map {

namespace {

constexpr std::array<std::string_view, 3> COLUMNS = {"name", "lat", "lon"};

// Longest field a message quotes whole.
constexpr std::size_t MAX_QUOTED = 40;

std::string quoted_text(std::string_view text) {
  const bool cut = text.size() > MAX_QUOTED;
  return console::quoted_token(cut ? text.substr(0, MAX_QUOTED) : text, cut);
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The fields of a line; an error names what is wrong with it.
std::vector<std::string> split_fields(std::string_view line, const std::string& where) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
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
      while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
      if (!closed || (at < line.size() && line[at] != ',')) {
        throw SitesFileError(where + ": field " + std::to_string(fields.size() + 1) +
                             (closed ? " has text after its closing quote"
                                     : " opens a quote that the line does not close"));
      }
    } else {
      const std::size_t end = std::min(line.find(',', at), line.size());
      field = std::string(trimmed(line.substr(at, end - at)));
      at = end;
    }
    fields.push_back(std::move(field));
    if (at >= line.size()) return fields;
    ++at;  // the comma
  }
}

}  // namespace

std::vector<Site> read_sites_text(std::string_view text, std::string_view name) {
  const std::string file(name);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Site> sites;
  std::array<std::size_t, COLUMNS.size()> position{};  // of each column among the fields
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
    if (trimmed(line).empty()) continue;
    const std::string where = file + ", line " + std::to_string(line_number);
    const std::vector<std::string> fields = split_fields(line, where);

    if (!have_header) {
      std::array<bool, COLUMNS.size()> seen{};
      for (std::size_t k = 0; k < fields.size(); ++k) {
        std::size_t column = 0;
        while (column < COLUMNS.size() && fields[k] != COLUMNS[column]) ++column;
        if (column == COLUMNS.size()) {
          throw SitesFileError(where + ": unknown column " + quoted_text(fields[k]) +
                               "; the columns are name, lat, lon");
        }
        if (seen[column]) throw SitesFileError(where + ": column " + fields[k] + " twice");
        seen[column] = true;
        position[column] = k;
      }
      for (std::size_t column = 0; column < COLUMNS.size(); ++column) {
        if (!seen[column]) {
          throw SitesFileError(where + ": no column " + std::string(COLUMNS[column]) +
                               "; the columns are name, lat, lon");
        }
      }
      have_header = true;
      continue;
    }

    if (fields.size() != COLUMNS.size()) {
      throw SitesFileError(where + ": " + std::to_string(fields.size()) +
                           (fields.size() == 1 ? " field" : " fields") +
                           ", but the header names 3");
    }
    Site site;
    site.line = line_number;
    site.name = fields[position[0]];
    for (const std::size_t column : {std::size_t{1}, std::size_t{2}}) {
      const std::string& field = fields[position[column]];
      const std::optional<double> value = console::parse_real(field, console::NumberForm::decimal);
      if (!value || !std::isfinite(*value)) {
        throw SitesFileError(where + ", column " + std::string(COLUMNS[column]) +
                             ": expected a number of degrees, read " + quoted_text(field));
      }
      (column == 1 ? site.latitude : site.longitude) = *value;
    }
    sites.push_back(std::move(site));
  }
  if (!have_header) {
    throw SitesFileError(file + (text.empty() ? " is empty" : " holds only blank lines") +
                         "; expected a header row naming the columns name,lat,lon");
  }
  return sites;
}

std::vector<Site> read_sites_file(const std::filesystem::path& path) {
  const auto cannot_read = [&path](const std::string& reason) {
    return SitesFileError("cannot read the sites file " + path.string() + ": " + reason);
  };
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) throw cannot_read(std::strerror(errno));
  if (!S_ISREG(status.st_mode)) throw cannot_read("not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > MAX_SITES_BYTES) {
    throw cannot_read("larger than 1 MiB, more sites than a map can show");
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw cannot_read(std::strerror(errno != 0 ? errno : ENOENT));
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw cannot_read(std::strerror(errno != 0 ? errno : EIO));
  return read_sites_text(text, path.string());
}

}  // namespace field_map
