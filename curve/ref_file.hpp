// Reading reference curves from .ref files, the form in which Bayesian
// chronology tools exchange archaeomagnetic curves: one component a file,
// one line "year,value,sigma" an epoch, sigma one standard deviation.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "curve/reference_curve.hpp"

namespace curve {

/// Longest file taken for a .ref file: a curve of every year over ten
/// millennia fits in well under a megabyte.
inline constexpr std::size_t MAX_REF_FILE_BYTES = std::size_t{4} << 20;

/// Fewest data lines that make a reference curve.
inline constexpr std::size_t MIN_REF_POINTS = 2;

/// Years beyond this magnitude are no archaeomagnetic epochs: a curve is
/// dated on a grid of whole years, which they would make immense.
inline constexpr double MAX_REF_YEAR = 100000.0;

/// The stretch between two consecutive data lines is a gap, never bridged
/// by interpolation, when it is longer by more than this factor than each
/// stretch beside it and than the file's median stretch: a hole in the
/// curve, not a step that changes once, gradually or irregularly.
inline constexpr double REF_GAP_FACTOR = 2.0;

/// The text is not a reference curve that can be used; the message names
/// the file and, where there is one, the line.
class RefFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A reference curve of one component, and what the reader did with the
/// file that the user should know: each line a note naming the file and
/// the line ("taken as a gap", "the curve ends here").
struct RefFile {
  ComponentSeries series;
  std::vector<std::string> notes;
  /// The component that a comment line names, as karven-export writes it
  /// ("# Component: declination, in degrees"); empty when none does.
  std::optional<Component> component;
  /// The site that a comment line names, as karven-export writes it:
  /// "# Site: geodetic latitude 48.85, longitude 2.35 (degrees, north and
  /// east positive)"; empty when none does.
  std::optional<Site> site;
};

/// The comment line by which a .ref file names its site, without the
/// comment's mark: "Site: geodetic latitude 48.85, longitude 2.35 (degrees,
/// north and east positive)", the numbers in the shortest decimal form
/// that reads back as the site's values.
std::string site_comment(const Site& site);

/// Reads a .ref file from its text.
///
/// Lines end in LF or CR LF. Blank lines and comment lines are skipped; a
/// comment line starts, after blanks, with "#", "//", "/*" or "!", and may
/// hold any bytes; a comment opened by "/*" runs to the line that closes
/// it with "*/". Every other line is a data line of three fields separated
/// by commas, year, value and sigma, with blanks around them and empty
/// trailing fields ignored. A line that holds the words "reference" and
/// "point" (in any case) after the first data line ends the curve: some
/// files append a block of reference data there.
///
/// The first comment line that starts with "Site:" (in any case, after the
/// mark and blanks) names the curve's site, in the form of site_comment:
/// the words in any case, blanks around the numbers free, any text after
/// the longitude; a latitude outside [-90, 90] or a longitude outside
/// [-180, 360] degrees is none. A site line of another form leaves the site
/// unknown, with a note.
///
/// A value or sigma that is not a finite number ("#REF!", "NaN", empty)
/// makes a gap at that year, with a note. The stretch between two
/// consecutive data lines (a line without value included) is a gap when it
/// is more than REF_GAP_FACTOR times as long as each stretch beside it and
/// as the file's median stretch; it is held as a point without value
/// midway, with a note. A file of two lines has no such gap.
///
/// @param[in] text  the whole file
/// @param[in] name  the file's name, for the messages and notes
/// @throws RefFileError for semicolons with decimal commas, a line that is
///         not three fields, a year that is not a number, is beyond
///         MAX_REF_YEAR in magnitude or does not follow the one before, a
///         negative sigma, or fewer than MIN_REF_POINTS data lines
RefFile read_ref_text(std::string_view text, std::string_view name);

/// Reads a .ref file from disk (see read_ref_text).
///
/// @throws RefFileError when the file cannot be read or is not a reference
///         curve
RefFile read_ref_file(const std::filesystem::path& path);

/// The .ref files of a dating, one for each component given.
struct RefFileNames {
  std::optional<std::filesystem::path> declination;
  std::optional<std::filesystem::path> inclination;
  std::optional<std::filesystem::path> intensity;
};

/// A reference curve read from .ref files, and the notes of their reading.
struct LoadedReference {
  ReferenceCurve curve;
  std::vector<std::string> notes;
};

/// The component that a file's name gives by the suffix the chronology
/// tools read: "_d", "_i" or "_f" (in any case) before the extension, as in
/// "iberia_d.ref"; empty for any other name.
std::optional<Component> component_of_name(const std::filesystem::path& path);

/// Reads the .ref files given into one reference curve; its source names
/// them ("D: a_d.ref, I: a_i.ref"), and its site is the one that the files
/// name by their site lines (a file that names none is taken as of that
/// site too).
///
/// @throws RefFileError as read_ref_file, for a file whose comment line or
///         name says it holds another component than the one it is given
///         for, and for files that name different sites
LoadedReference load_ref_files(const RefFileNames& files);

}  // namespace curve
