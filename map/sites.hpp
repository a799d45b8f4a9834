// The sites a map marks: a CSV file with a header row naming the columns
// name, lat and lon, one site per row.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace field_map {

/// The sites file cannot be read or holds something that is no site; the
/// message names the file and the line.
class SitesFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A site to mark on a map.
struct Site {
  std::string name;        // as the file gives it; may be empty
  double latitude = 0.0;   // geodetic, degrees north
  double longitude = 0.0;  // geodetic, degrees east
  int line = 0;            // in the file, the header being line 1
};

/// Reads a sites file from its text with curve::SitesReader, as the
/// samples file of karven-date is read: the first line that is not blank
/// names the columns name, lat and lon, each once, in any order; each later
/// line that is not blank is a site. Fields are separated by commas, blanks
/// around a field dropped; a field in double quotes may hold commas, and ""
/// is a quote inside it. A carriage return before a line end and a UTF-8
/// byte order mark are ignored; a line longer than
/// curve::MAX_SITES_LINE_BYTES is no site.
///
/// @param[in] text  the whole file
/// @param[in] name  the file's name, for the messages
/// @throws SitesFileError at the first line that is not a site, naming it
///         ("sites.csv, line 4, column lat: expected a number, read \"4o.1\"")
std::vector<Site> read_sites_text(std::string_view text, std::string_view name);

/// Reads a sites file from disk (see read_sites_text); it must be a
/// regular file of at most MAX_SITES_BYTES.
///
/// @throws SitesFileError when it cannot be read or is not a sites file
std::vector<Site> read_sites_file(const std::filesystem::path& path);

/// The largest sites file read: far more sites than a map can show.
inline constexpr std::uintmax_t MAX_SITES_BYTES = 1 << 20;

}  // namespace field_map
