// The figure of a calibrated 14C age, drawn by gnuplot as the field draws
// it: the calibration curve as a band of 14C age against calendar years,
// the measured age as a normal curve on the age axis, and the calibrated
// date on the year axis with its HPD intervals shaded.
#pragma once

#include <filesystem>
#include <string>

#include "date/radiocarbon_rows.hpp"
#include "dating/dating.hpp"
#include "figures/gnuplot.hpp"

namespace date {

/// The figure's data files: "curve.dat" (year, mu - sigma_c, mu + sigma_c
/// over the years shown), "age.dat" (the measured age's normal curve:
/// x on the year axis, age), "date.dat" (year, the density scaled onto the
/// foot of the age axis, and for each level the same in its HPD intervals,
/// NaN elsewhere), and the gnuplot script reading them. All text goes
/// through figures::gnuplot_string.
figures::GnuplotJob calibration_figure_job(
    const std::string& name, const C14Sample& c14, const dating::DatingResult& result,
    figures::FigureFormat format, dating::YearNotation notation = dating::YearNotation::ad);

/// Draws the figure and writes it to the destination (see
/// figures::run_gnuplot_job).
///
/// @throws figures::FigureError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
void draw_calibration_figure(const std::string& name, const C14Sample& c14,
                             const dating::DatingResult& result, figures::FigureFormat format,
                             const companion::OutputGuard& guard,
                             const std::filesystem::path& destination,
                             dating::YearNotation notation = dating::YearNotation::ad);

}  // namespace date
