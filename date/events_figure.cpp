#include "date/events_figure.hpp"
namespace date {
void draw_events_figure(std::span<const EventFigureRow>, int, int, dating::YearNotation,
                        plot::FigureFormat, const companion::OutputGuard&,
                        const std::filesystem::path&) {
  throw plot::PlotError("not yet");
}
}  // namespace date
