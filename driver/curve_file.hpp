// The curve file psvc_karven.eu.26.dat: a header of 17 lines, then one
// line per epoch with the year, declination, inclination and intensity at
// the site and their errors at 95% confidence.
//
// A run writes its lines into a temporary file beside the curve file and
// renames it onto the curve file only when the run has completed: a run
// that fails or is stopped leaves the curve file of an earlier run as it
// was, and two runs in one directory each leave a whole file.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "console/records.hpp"

namespace driver {

inline constexpr const char* CURVE_FILE_NAME = "psvc_karven.eu.26.dat";

// The texts of the curve file's lines, without their line ends, for the
// run's writer below and for whoever composes the same file elsewhere.

/// Lines 1 to 10: the model's name and region, the citation.
inline constexpr std::array<std::string_view, 10> TITLE_BLOCK = {
    "      KARVEN.EU.26 Regional Archaeomagnetic Model",
    "          for Europe for the last 2000 years", " ",
    // The model's publication is cited in full in the reference that is
    // distributed with its coefficient file.
    "Authors (year): see the reference distributed with KARVEN_coeff.inp",
    "Title: the publication of the KARVEN.EU.26 model, cited in full in",
    "       the reference distributed with the model's coefficient file",
    "Journal, volume (issue), pages: as given in that reference",
    "Identifier: as given in that reference", " ", " "};

/// Lines 11 and 12, before the site line.
inline constexpr std::array<std::string_view, 2> SITE_HEADING = {
    " ", "   Geodetic Latitude  Geodetic Longitud"};

/// Line 13: the site as typed, two fields of 15 characters with two
/// decimals (degrees, north and east positive).
std::string site_line(double latitude, double longitude);

/// Lines 14 to 17: the heading of the errors and of the columns.
inline constexpr std::array<std::string_view, 4> CURVE_HEADINGS = {
    " ", "                       *Errors at 95% of confidence", " ",
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)"};

/// A curve line of 72 characters: the year in 7 characters, D, I and F in
/// 10 each, the errors of D, I and F in 13, 11 and 11, two decimals each
/// (see console::fixed_field).
std::string curve_line(double year, double declination, double inclination, double intensity,
                       double declination_error, double inclination_error, double intensity_error);

/// The curve file cannot be created or written; the run cannot succeed.
class CurveFileError : public console::RunFailure {
 public:
  using console::RunFailure::RunFailure;
};

/// Creates the run's temporary file beside the curve file in the current
/// directory and writes the title block, lines 1 to 10. An existing curve
/// file is not touched.
///
/// @throws CurveFileError when the curve file is a directory or another
///         file that is not a regular file, or the temporary file cannot be
///         created
void open_curve_file();

/// Writes the site block, lines 11 to 13: the site as the user typed it.
///
/// @param[in] latitude   typed geodetic latitude (degrees)
/// @param[in] longitude  typed geodetic longitude (degrees)
void write_site_block(double latitude, double longitude);

/// Writes the error heading and the column heading, lines 14 to 17.
void write_curve_headings();

/// Appends one curve line of 72 characters.
///
/// @param[in] year          epoch (years AD)
/// @param[in] declination   D (degrees, east positive)
/// @param[in] inclination   I (degrees)
/// @param[in] intensity     F (microtesla)
/// @param[in] declination_error, inclination_error (degrees),
///            intensity_error (microtesla): errors at 95% confidence
void write_curve_line(double year, double declination, double inclination, double intensity,
                      double declination_error, double inclination_error, double intensity_error);

/// Writes out and closes the temporary file and renames it onto the curve
/// file, replacing one of an earlier run (a link is replaced, not its
/// target). Does nothing when no file is open.
///
/// @throws CurveFileError when the lines cannot be written out or the file
///         cannot be renamed; the temporary file is then removed
void close_curve_file();

/// Removes the temporary file of a run that did not complete, leaving the
/// curve file as it was. Does nothing when no file is open.
void discard_curve_file();

/// Makes the signals that stop a run (interrupt, quit, hang-up,
/// termination, a closed pipe on standard output, abort, an exceeded file
/// size limit) remove the temporary file and say on standard error that no
/// curve file was written, then stop the program as they would have. A
/// signal that the program was started with ignored stays ignored.
void discard_curve_file_on_signals();

}  // namespace driver
