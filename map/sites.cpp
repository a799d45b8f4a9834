#include "map/sites.hpp"

#include <optional>
#include <sstream>

#include "console/numbers.hpp"
#include "curve/csv_rows.hpp"
#include "curve/file_text.hpp"

namespace field_map {

std::vector<Site> read_sites_text(std::string_view text, std::string_view name) {
  std::stringbuf buffer{std::string(text)};
  std::vector<Site> sites;
  try {
    curve::SitesReader reader(buffer, std::string(name));
    while (const std::optional<curve::SiteRow> row = reader.next()) {
      if (!row->error.empty()) throw SitesFileError(std::string(name) + ", " + row->error);
      sites.push_back({row->name, row->latitude, row->longitude, row->line});
    }
  } catch (const curve::SitesFileError& e) {
    throw SitesFileError(e.what());
  }
  return sites;
}

std::vector<Site> read_sites_file(const std::filesystem::path& path) {
  // Read as every other input is: refused at once when it is no regular
  // file, and never more than the bound.
  std::string text;
  try {
    text = curve::read_file_text(path, MAX_SITES_BYTES);
  } catch (const curve::FileReadError& e) {
    throw SitesFileError(e.what());
  }
  const std::string shown = console::shown_text(path.string());
  if (text.size() > MAX_SITES_BYTES) {
    throw SitesFileError("cannot read the sites file " + shown +
                         ": larger than 1 MiB, more sites than a map can show");
  }
  return read_sites_text(text, shown);
}

}  // namespace field_map
