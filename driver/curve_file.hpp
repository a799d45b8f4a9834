// The curve file psvc_karven.eu.26.dat: a header of 17 lines, then one
// line per epoch with the year, declination, inclination and intensity at
// the site and their errors at 95% confidence.
#pragma once

#include "console/records.hpp"

namespace driver {

inline constexpr const char* CURVE_FILE_NAME = "psvc_karven.eu.26.dat";

/// The curve file cannot be created or written; the run cannot succeed.
class CurveFileError : public console::RunFailure {
 public:
  using console::RunFailure::RunFailure;
};

/// Creates the curve file in the current directory (rewriting one that
/// exists) and writes its title block, lines 1 to 10.
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

/// Writes out and closes the curve file, keeping it. Does nothing when the
/// file is not open.
///
/// @throws CurveFileError when the lines cannot be written out
void close_curve_file();

}  // namespace driver
