// Synthetic curve files in the layout that karven writes: a smooth curve
// of the kind a European site shows over the last two millennia.
#pragma once

#include <array>
#include <cmath>
#include <string>

#include "console/fields.hpp"

namespace curve_test {

inline constexpr double TWO_PI = 6.283185307179586;

/// Lines 1 to 17 of a curve file for a site typed as latitude, longitude.
inline std::string curve_header(double latitude, double longitude) {
  return "      KARVEN.EU.26 Regional Archaeomagnetic Model\n"
         "          for Europe for the last 2000 years\n"
         " \n"
         "Authors (year): a synthetic curve for tests\n"
         "Title: none\n"
         "       none\n"
         "Journal: none\n"
         "Identifier: none\n"
         " \n"
         " \n"
         " \n"
         "   Geodetic Latitude  Geodetic Longitud\n" +
         console::fixed_field(latitude, 15, 2) + console::fixed_field(longitude, 15, 2) +
         "\n"
         " \n"
         "                       *Errors at 95% of confidence\n"
         " \n"
         "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\n";
}

/// One curve line of 72 characters, with its line end.
inline std::string curve_line(double year, const std::array<double, 6>& values) {
  std::string line = console::fixed_field(year, 7, 0);
  constexpr std::array<int, 6> widths = {10, 10, 10, 13, 11, 11};
  for (std::size_t i = 0; i < values.size(); ++i) {
    line += console::fixed_field(values[i], widths[i], 2);
  }
  return line + "\n";
}

/// D swings between -20 and +20 degrees, I between 55 and 70, F between 45
/// and 80 microtesla; the errors lie between 1 and 3.
inline std::array<double, 6> smooth_values(double year) {
  const double error = 2.0 + std::sin(TWO_PI * year / 900.0);
  return {20.0 * std::sin(TWO_PI * (year - 200.0) / 1400.0),
          62.5 + 7.5 * std::sin(TWO_PI * (year + 100.0) / 1100.0),
          62.5 + 17.5 * std::cos(TWO_PI * (year - 300.0) / 1700.0),
          error,
          0.6 * error + 0.5,
          error};
}

/// A whole curve file for Madrid, 40.4 N, 3.7 W: the header and the first
/// `lines` epochs of 0, 5, ..., 1900 AD.
inline std::string smooth_curve_text(int lines = 381) {
  std::string text = curve_header(40.4, -3.7);
  for (int k = 0; k < lines; ++k) text += curve_line(5.0 * k, smooth_values(5.0 * k));
  return text;
}

}  // namespace curve_test
