// The figure of events dated together, in the manner of the multiplots of
// Bayesian chronology tools: one row per event on one shared year axis,
// the event's date alone drawn light and, in a sequence, its date within
// the sequence dark, the 95% HPD interval as a bar under it, the event's
// name and agreement index at the left. Drawn by gnuplot, as every figure.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "companion/output_file.hpp"
#include "dating/chronology.hpp"
#include "plot/gnuplot.hpp"

namespace date {

/// One row of the figure.
struct EventFigureRow {
  // The event's name as given; the figure shows it as the report does
  // (console::shown_text).
  std::string name;
  dating::Density alone;                       // the event's date alone
  std::optional<dating::Density> in_sequence;  // its date within the sequence
  std::optional<double> agreement;             // its agreement index, percent
  // The 95% HPD intervals drawn as the bar: of the date within the
  // sequence when there is one, else of the date alone.
  std::vector<dating::HpdInterval> interval_95;
};

/// The data file of the figure: a line "# year alone_1 in_sequence_1
/// alone_2 ..." (in_sequence_k only for an event that has that density),
/// then one line per year from first_year to last_year: the year and each
/// event's densities, 0 where a density holds nothing (probability_text).
///
/// @throws std::invalid_argument for no event or last_year <= first_year
std::string events_figure_data(std::span<const EventFigureRow> events, int first_year,
                               int last_year);

/// The gnuplot script of the figure, reading the data file `data_name` and
/// writing figure_file_name(format). Every text goes through
/// plot::gnuplot_string; names are shown as the report shows them
/// (console::shown_text), cut to 24 characters. The figure's height grows
/// with the count of events; each event's densities share one scale, the
/// taller reaching the top of its row.
///
/// @throws std::invalid_argument as events_figure_data
std::string events_figure_script(std::span<const EventFigureRow> events, int first_year,
                                 int last_year, dating::YearNotation notation,
                                 plot::FigureFormat format, const std::string& data_name);

/// Draws the figure and writes it to the destination (see
/// plot::run_gnuplot_job). The rows stand top to bottom in the order
/// given; the year axis runs from first_year to last_year, written in the
/// notation (BP runs from the older years at the left).
///
/// @throws plot::PlotError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
/// @throws std::invalid_argument as events_figure_data
void draw_events_figure(std::span<const EventFigureRow> events, int first_year, int last_year,
                        dating::YearNotation notation, plot::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination);

}  // namespace date
