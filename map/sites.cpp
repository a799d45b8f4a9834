#include "map/sites.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "curve/csv_rows.hpp"

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
