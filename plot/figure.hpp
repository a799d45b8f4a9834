// The figure of a curve: three panels on one time axis, declination,
// inclination and intensity, each a line with its 95% confidence band,
// drawn by gnuplot from a script and a data file that this module writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "curve/curve_reader.hpp"
#include "figures/gnuplot.hpp"

namespace plot {

using curve::Curve;
using curve::CurvePoint;
using curve::Quantity;
using figures::FigureFormat;

/// The figure's size in words: "1200 x 1500 pixels" for PNG, "900 x 1125
/// pixels" for SVG, "6 x 7.5 inches" for PDF (portrait, for three panels).
std::string figure_size(FigureFormat format);

/// The data file for gnuplot: one line per curve point, the year and the
/// six values separated by blanks, each written to the shortest text that
/// reads back to the same double; "NaN" for a gap, which gnuplot takes as
/// an undefined point and leaves out of the line and the band.
std::string gnuplot_data(const Curve& curve);

/// What the figure says besides the curve: the second line of its title,
/// whether the panels shade the 95% bands (the error columns), and a credit
/// at the figure's foot (none when empty): the regional model's figure by
/// default.
struct FigureText {
  std::string legend = "lines: the curve; shaded: its 95% confidence band";
  bool bands = true;
  std::string credit;
  std::string no_values = "no values in the curve file";  // a panel without any
};

/// The gnuplot script that draws the figure. It names no path but the two
/// given names, which are relative to gnuplot's working directory, and
/// holds no text of the curve file but the model's name (letters, digits
/// and . - _ only), and all its text goes through gnuplot_string.
///
/// @param[in] curve        the curve, for the title and the time axis
/// @param[in] format       the figure's format
/// @param[in] data_name    the data file written by gnuplot_data
/// @param[in] figure_name  the file gnuplot writes the figure to
/// @param[in] text         the legend, the bands and the credit
std::string gnuplot_script(const Curve& curve, FigureFormat format, std::string_view data_name,
                           std::string_view figure_name, const FigureText& text = {});

}  // namespace plot

namespace plot {

/// Draws the figure of a curve with the gnuplot found on PATH and writes it
/// to the destination, replacing a file of that name (see figures::run_gnuplot_job).
///
/// @throws figures::FigureError  when the guard refuses the destination,
///                               gnuplot is missing or fails, or a file
///                               cannot be written; nothing is left behind
void draw_figure(const Curve& curve, FigureFormat format, const companion::OutputGuard& guard,
                 const std::filesystem::path& destination, const FigureText& text = {});

}  // namespace plot
