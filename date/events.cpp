#include "date/events.hpp"

#include <algorithm>
#include <span>
#include <utility>

#include "date/events_figure.hpp"

namespace date {

void EventBook::add(const std::string& value, const DatedSample& sample) {
  Entry* entry = nullptr;
  if (!value.empty()) {
    const auto [at, made] = by_value_.try_emplace(value, entries_.size());
    if (made) entries_.push_back({DatedEvent{value, {}, 0, {}, {}, {}}, {}, 0});
    entry = &entries_[at->second];
  } else {
    entries_.push_back({DatedEvent{sample.measurement.name, {}, 0, {}, {}, {}}, {}, 0});
    entry = &entries_.back();
  }
  if (!sample.result) {
    ++entry->event.undated_rows;
    return;
  }
  entry->event.rows.push_back(sample.measurement.name);
  if (!entry->event.error.empty()) return;
  const dating::YearSpan span{sample.curve->first_year, sample.curve->last_year};
  dating::RowLikelihood row = dating::row_likelihood(*sample.curve, sample.measured, span);
  if (entry->rows == 0) {
    entry->sum = std::move(row);
  } else {
    // The rows of an event share the years that all their curves give.
    const dating::YearSpan had = dating::span_of(entry->sum);
    const dating::YearSpan shared{std::max(had.first_year, span.first_year),
                                  std::min(had.last_year, span.last_year)};
    if (shared.last_year <= shared.first_year) {
      entry->event.error = "the curves of its rows share no span of two whole years";
      return;
    }
    entry->sum = dating::cropped(entry->sum, shared);
    dating::add_row(entry->sum, dating::cropped(row, shared));
  }
  ++entry->rows;
}

void EventBook::date(const DateOptions& options) {
  std::vector<Entry*> datable;
  for (Entry& entry : entries_) {
    if (entry.rows == 0 && entry.event.error.empty()) {
      entry.event.error = "none of its rows could be dated";
    }
    if (entry.event.error.empty()) datable.push_back(&entry);
  }
  if (options.sequence && !datable.empty()) {
    dating::YearSpan shared = dating::span_of(datable.front()->sum);
    for (const Entry* entry : datable) {
      const dating::YearSpan span = dating::span_of(entry->sum);
      shared = {std::max(shared.first_year, span.first_year),
                std::min(shared.last_year, span.last_year)};
    }
    if (shared.last_year <= shared.first_year) {
      sequence_error_ = "the curves of the sequence's events share no span of two whole years";
    } else {
      for (Entry* entry : datable) entry->sum = dating::cropped(entry->sum, shared);
    }
  }
  std::vector<Entry*> in_sequence;
  for (Entry* entry : datable) {
    try {
      entry->event.alone =
          dating::date_event(entry->sum, entry->rows, options.levels, options.years);
      in_sequence.push_back(entry);
    } catch (const std::invalid_argument& e) {
      entry->event.error = e.what();
    }
  }
  if (!options.sequence || !sequence_error_.empty() || in_sequence.empty()) return;
  // date_sequence takes the events oldest first.
  if (options.sequence == DateOptions::Sequence::youngest_first) {
    std::reverse(in_sequence.begin(), in_sequence.end());
  }
  std::vector<std::span<const double>> likelihoods;
  for (const Entry* entry : in_sequence)
    likelihoods.emplace_back(entry->event.alone->log_likelihood);
  try {
    dating::SequenceDate dated = dating::date_sequence(in_sequence.front()->event.alone->first_year,
                                                       likelihoods, options.levels, options.years);
    for (std::size_t i = 0; i < in_sequence.size(); ++i) {
      in_sequence[i]->event.in_sequence = std::move(dated.events[i]);
    }
    dated.events.clear();
    sequence_ = std::move(dated);
    sequence_events_ = in_sequence.size();
  } catch (const std::invalid_argument& e) {
    sequence_error_ = e.what();
  }
}

std::vector<DatedEvent> EventBook::events() const {
  std::vector<DatedEvent> all;
  for (const Entry& entry : entries_) all.push_back(entry.event);
  return all;
}

std::optional<dating::YearSpan> EventBook::years() const {
  std::optional<dating::YearSpan> span;
  for (const Entry& entry : entries_) {
    if (!entry.event.alone) continue;
    const int first = entry.event.alone->first_year;
    const int last = first + static_cast<int>(entry.event.alone->log_likelihood.size()) - 1;
    span =
        span ? dating::YearSpan{std::min(span->first_year, first), std::max(span->last_year, last)}
             : dating::YearSpan{first, last};
  }
  return span;
}

std::vector<std::string> write_event_files(const DateOptions& options, const EventBook& book,
                                           const std::vector<DatedEvent>& events,
                                           const companion::OutputGuard& guard) {
  std::vector<std::string> failures;
  const std::optional<dating::YearSpan> years = book.years();
  if (!years) return failures;
  try {
    if (options.density) {
      companion::write_output(guard, *options.density, "density file",
                              events_density_csv(events, years->first_year, years->last_year));
    }
  } catch (const companion::OutputError& e) {
    failures.push_back(e.what());
  }
  if (options.figure) {
    std::vector<EventFigureRow> rows;
    for (const DatedEvent& event : events) {
      if (!event.alone) continue;
      EventFigureRow row;
      row.name = event.name;
      row.alone = event.alone->density;
      const dating::Density& shown = event.in_sequence ? event.in_sequence->density : row.alone;
      if (event.in_sequence) {
        row.in_sequence = event.in_sequence->density;
        row.agreement = event.in_sequence->agreement;
      }
      const double level = 95.0;
      const std::vector<dating::HpdRegion> region =
          dating::hpd_regions(shown.values, shown.first_year, std::span(&level, 1));
      row.interval_95 = region.front().intervals;
      rows.push_back(std::move(row));
    }
    // A pile of floors is drawn as it lies: the youngest at the top.
    if (options.sequence == DateOptions::Sequence::oldest_first) {
      std::reverse(rows.begin(), rows.end());
    }
    try {
      if (rows.empty()) throw plot::PlotError("no event was dated: the figure is not drawn");
      const dating::YearSpan shown = events_figure_span(rows, years->first_year, years->last_year);
      draw_events_figure(rows, shown.first_year, shown.last_year, options.years,
                         options.figure_format, guard, *options.figure);
    } catch (const plot::PlotError& e) {
      failures.push_back(e.what());
    }
  }
  return failures;
}

}  // namespace date
