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
  std::string name;                            // as the report shows it
  dating::Density alone;                       // the event's date alone
  std::optional<dating::Density> in_sequence;  // its date within the sequence
  std::optional<double> agreement;             // its agreement index, percent
  // The 95% HPD intervals drawn as the bar: of the date within the
  // sequence when there is one, else of the date alone.
  std::vector<dating::HpdInterval> interval_95;
};

/// Draws the figure and writes it to the destination (see
/// plot::run_gnuplot_job). The rows stand top to bottom in the order
/// given; the year axis runs from first_year to last_year, written in the
/// notation (BP runs from the older years at the left).
///
/// @throws plot::PlotError  when the guard refuses the destination, gnuplot
///                          is missing or fails, or the figure cannot be
///                          written
void draw_events_figure(std::span<const EventFigureRow> events, int first_year, int last_year,
                        dating::YearNotation notation, plot::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination);

}  // namespace date
