// The figure of a curve: three panels on one time axis, declination,
// inclination and intensity, each a line with its 95% confidence band,
// drawn by gnuplot from a script and a data file that this module writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "curve/curve_reader.hpp"

namespace plot {

using curve::Curve;
using curve::CurvePoint;
using curve::Quantity;

enum class FigureFormat { png, svg, pdf };

/// "png", "svg" or "pdf".
std::string_view format_name(FigureFormat format);

/// The format named by a word or a file extension, in any case, with or
/// without the leading point ("svg", ".PDF"); nothing for any other.
std::optional<FigureFormat> format_from_name(std::string_view name);

/// The figure's size in words: "1200 x 1500 pixels" for PNG, "900 x 1125
/// pixels" for SVG, "6 x 7.5 inches" for PDF (portrait, for three panels).
std::string_view figure_size(FigureFormat format);

/// The site as the figure's title shows it: the file's two decimals,
/// hemispheres by letter, e.g. "40.40 N, 3.70 W". A value that the file
/// shows as zero counts as north or east.
///
/// @param[in] latitude   degrees, north positive
/// @param[in] longitude  degrees, east positive
std::string site_text(double latitude, double longitude);

/// The data file for gnuplot: one line per curve point, the year and the
/// six values separated by blanks, each written to the shortest text that
/// reads back to the same double; "NaN" for a gap, which gnuplot takes as
/// an undefined point and leaves out of the line and the band.
std::string gnuplot_data(const Curve& curve);

/// The gnuplot script that draws the figure. It names no path but the two
/// given names, which are relative to gnuplot's working directory, and
/// holds no text of the curve file but the model's name (letters, digits
/// and . - _ only) quoted as a gnuplot string.
///
/// @param[in] curve        the curve, for the title and the time axis
/// @param[in] format       the figure's format
/// @param[in] data_name    the data file written by gnuplot_data
/// @param[in] figure_name  the file gnuplot writes the figure to
std::string gnuplot_script(const Curve& curve, FigureFormat format, std::string_view data_name,
                           std::string_view figure_name);

}  // namespace plot
