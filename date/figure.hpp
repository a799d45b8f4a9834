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
#include "figures/gnuplot.hpp"

namespace date {

/// A figure's year axis in a notation: its label and, unless gnuplot
/// places the ticks itself (AD), the ticks as explicit gnuplot commands.
struct YearAxis {
  std::string label;  // "Year (AD)", "Year (BCE/CE)", "Year (CE)", "Year (BP)"
  // "set xtics (...)" with the labels, and with the same marks unlabelled
  // (for the panels above the one that carries the axis); both empty for
  // AD.
  std::string tics;
  std::string unlabelled_tics;
};

/// The year axis from first_year to last_year (astronomical years, the
/// axis always running from the earlier at the left to the later at the
/// right), its major ticks at round numbers of the notation's own
/// numbering, as many as leave room between neighbouring labels of
/// characters `char_width` wide (a fraction of the plot's width,
/// figures::FigureTerminal::char_width divided by the plot's share of the
/// figure):
/// - ad: gnuplot's own ticks, "Year (AD)";
/// - ce: "500 BCE" at year -499, "1" at year 1, "500" at year 500: there is
///   no year 0, so the marks of CE and BCE years lie one year off the
///   astronomical multiples on the BCE side; "Year (BCE/CE)" when a tick
///   is BCE, else "Year (CE)";
/// - bp: "1500" at year 450 (1950 - t), the numbers falling from left to
///   right, "Year (BP)".
/// Minor ticks stand between the major ones.
YearAxis year_axis(int first_year, int last_year, dating::YearNotation notation, double char_width);

/// The data file of the figure: one line per year of the grid: the year;
/// for each component used, the curve's value, its 95% band's lower and
/// upper bound and the component's density; the combined density; and for
/// each level, the combined density in the years of its HPD intervals
/// (NaN elsewhere). NaN where the curve has no value.
/// An HPD interval as the figures label it: in AD the bare years the axis
/// shows, joined by a dash ("746–1255"), or by " to " when the interval ends
/// before year 0, where a dash would run into the minus sign ("-745 to
/// -689"); other notations as reports write them ("501-401 BCE").
std::string figure_interval_text(const dating::HpdInterval& interval,
                                 dating::YearNotation notation);

std::string dating_figure_data(const dating::GriddedCurve& curve,
                               const dating::DatingResult& result);

/// The gnuplot script of the figure, reading the data file `data_name`
/// and writing figure_file_name(format). All its text goes through
/// figures::gnuplot_string; the sample's name is shown as the report shows it
/// (console::shown_text). The year axis and the bounds of the HPD
/// intervals are written in the notation (see year_axis).
std::string dating_figure_script(const std::string& name, const dating::GriddedCurve& curve,
                                 std::span<const dating::MeasuredComponent> measured,
                                 const dating::DatingResult& result, figures::FigureFormat format,
                                 const std::string& data_name,
                                 dating::YearNotation notation = dating::YearNotation::ad);

/// Draws the figure with gnuplot and writes it to the destination (see
/// figures::run_gnuplot_job).
///
/// @throws figures::FigureError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
void draw_dating_figure(const std::string& name, const dating::GriddedCurve& curve,
                        std::span<const dating::MeasuredComponent> measured,
                        const dating::DatingResult& result, figures::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination,
                        dating::YearNotation notation = dating::YearNotation::ad);

}  // namespace date
