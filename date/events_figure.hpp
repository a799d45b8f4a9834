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
#include "figures/gnuplot.hpp"

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

/// The years worth showing of a grid, for the figure's axis: from the
/// first to the last year where a density rises visibly (0.2% of its row's
/// highest point) or a 95% bar lies, widened by a twentieth on either side
/// (a year at least) and out to round years (multiples of 1, 2 or 5 times
/// a power of ten that goes five times or more into the span), within the
/// grid, unless the shown years reach the grid's first or last year: the
/// axis then runs on a pad beyond it, so that a density there does not lie
/// on the frame. A grid much longer than the dates, as of a curve of ten thousand
/// years, would squeeze every date into a line.
///
/// @param[in] first_year, last_year  the grid, first_year < last_year
/// @throws std::invalid_argument for no event or last_year <= first_year
dating::YearSpan events_figure_span(std::span<const EventFigureRow> events, int first_year,
                                    int last_year);

/// The name of the data file of event k (from 0): "event_1.dat", ...
std::string event_data_name(std::size_t k);

/// The data file of one event, one file each so that gnuplot reads no
/// other event's columns for its curves: a line "# year alone" or, for an
/// event in a sequence, "# year alone in_sequence", then a line per year
/// from first_year to last_year: the year and the densities, 0 where a
/// density holds nothing (probability_text). Of a run of years where both
/// densities lie below what the figure shows (0.2% of the event's highest
/// point on the axis), only the first and the last are written, so that
/// gnuplot draws a long axis in a few thousand points.
///
/// @throws std::invalid_argument for last_year <= first_year
std::string event_figure_data(const EventFigureRow& event, int first_year, int last_year);

/// The gnuplot script of the figure, reading event k's data from
/// event_data_name(k) and writing figure_file_name(format). Every text goes
/// through figures::gnuplot_string; names are shown as the report shows them
/// (console::shown_text), cut to 24 characters. The figure's height grows
/// with the count of events; each event's densities share one scale, the
/// taller reaching the top of its row.
///
/// @throws std::invalid_argument for no event or last_year <= first_year
std::string events_figure_script(std::span<const EventFigureRow> events, int first_year,
                                 int last_year, dating::YearNotation notation,
                                 figures::FigureFormat format);

/// Draws the figure and writes it to the destination (see
/// figures::run_gnuplot_job). The rows stand top to bottom in the order
/// given; the year axis runs from first_year to last_year, written in the
/// notation (BP runs from the older years at the left).
///
/// @throws figures::FigureError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
/// @throws std::invalid_argument for no event or last_year <= first_year
void draw_events_figure(std::span<const EventFigureRow> events, int first_year, int last_year,
                        dating::YearNotation notation, figures::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination);

}  // namespace date
