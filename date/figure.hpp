// The figure of a dating, drawn by gnuplot: for each component used, the
// curve with its 95% band and the measurement as a horizontal band, the
// component's density under it, and the combined density with the HPD
// intervals of each level shaded and their bounds written, all on one
// year axis.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "dating/dating.hpp"
#include "plot/gnuplot.hpp"

namespace date {

/// The data file of the figure: one line per year of the grid: the year;
/// for each component used, the curve's value, its 95% band's lower and
/// upper bound and the component's density; the combined density; and for
/// each level, the combined density in the years of its HPD intervals
/// (NaN elsewhere). NaN where the curve has no value.
std::string dating_figure_data(const dating::GriddedCurve& curve,
                               const dating::DatingResult& result);

/// The gnuplot script of the figure, reading the data file `data_name`
/// and writing figure_file_name(format). All its text goes through
/// plot::gnuplot_string; the sample's name is shown as the report shows it
/// (console::shown_text).
std::string dating_figure_script(const std::string& name, const dating::GriddedCurve& curve,
                                 std::span<const dating::MeasuredComponent> measured,
                                 const dating::DatingResult& result, plot::FigureFormat format,
                                 const std::string& data_name);

/// Draws the figure with gnuplot and writes it to the destination (see
/// plot::run_gnuplot_job).
///
/// @throws plot::PlotError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
void draw_dating_figure(const std::string& name, const dating::GriddedCurve& curve,
                        std::span<const dating::MeasuredComponent> measured,
                        const dating::DatingResult& result, plot::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination);

}  // namespace date
