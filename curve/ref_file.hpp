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

/// A missing stretch of years counts as a gap when it is longer than the
/// file's usual step (the median step between its data lines) by this
/// factor: dating never bridges it by interpolation.
inline constexpr double REF_GAP_FACTOR = 1.5;

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
};

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
/// A value or sigma that is not a finite number ("#REF!", "NaN", empty)
/// makes a gap at that year, with a note; a stretch of missing years longer
/// than REF_GAP_FACTOR times the usual step is a gap, with a note, held as
/// a point without value midway.
///
/// @param[in] text  the whole file
/// @param[in] name  the file's name, for the messages and notes
/// @throws RefFileError for semicolons with decimal commas, a line that is
///         not three fields, a year that is not a number, is beyond
///         MAX_REF_YEAR in magnitude or does not follow the one before, a
///         sigma not positive, or fewer than MIN_REF_POINTS data lines
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

/// Reads the .ref files given into one reference curve; its source names
/// them ("D: a_d.ref, I: a_i.ref").
///
/// @throws RefFileError as read_ref_file
LoadedReference load_ref_files(const RefFileNames& files);

}  // namespace curve
