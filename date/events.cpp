#include "date/events.hpp"

#include <algorithm>
#include <span>
#include <utility>

#include "console/numbers.hpp"
#include "date/events_figure.hpp"

namespace date {

namespace {

// Frees a vector's memory (assigning {} would keep it).
void release(std::vector<double>& values) { std::vector<double>().swap(values); }

// An event value of blanks alone is no event.
std::string event_value(const std::string& value) {
  return value.find_first_not_of(" \t") == std::string::npos ? std::string() : value;
}

// The warnings of the 14C rows whose calibrated dates lie partly outside
// the years of an event or a sequence.
void add_outside_warnings(const std::vector<std::pair<std::string, dating::Density>>& dates,
                          const std::string& whose, dating::YearSpan span,
                          dating::YearNotation notation, std::vector<std::string>& warnings) {
  for (const auto& [row, density] : dates) {
    const std::string warning = outside_warning(
        row, share_outside(density.first_year, density.values, span), whose, span, notation);
    if (!warning.empty()) warnings.push_back(warning);
  }
}

}  // namespace

std::string EventBook::refusal(const std::string& value, const std::string& name) const {
  const std::string event = event_value(value);
  const auto known = by_value_.find(event.empty() ? name : event);
  if (known == by_value_.end()) return "";
  const auto [first, last] = lines_[known->second];
  const std::string quoted = console::shown_text(events_[known->second].name);
  if (event.empty()) {
    return "the sample " + quoted + " would be an event of its own under the name of the event " +
           "of line " + std::to_string(first) + ": give it another name";
  }
  if (open_ == known->second) return "";
  if (!of_value_[known->second]) {
    return "the event " + quoted + " bears the name of the sample of line " +
           std::to_string(first) + ", an event of its own: give it another name";
  }
  return "the event " + quoted + " has rows at line " + std::to_string(first) +
         (first == last ? "" : " to " + std::to_string(last)) +
         " and other events' rows after them: list the rows of an event together";
}

void EventBook::add(const std::string& value, const DatedSample& sample, int line) {
  const std::string event = event_value(value);
  std::size_t i = 0;
  if (const auto known = by_value_.find(event); !event.empty() && known != by_value_.end()) {
    i = known->second;
  } else {
    // A new event: the one before is complete.
    if (open_) close(*open_);
    open_.reset();
    i = events_.size();
    events_.push_back(
        DatedEvent{event.empty() ? sample.measurement.name : event, {}, 0, {}, {}, {}});
    sums_.emplace_back();
    c14_dates_.emplace_back();
    lines_.emplace_back(line, line);
    of_value_.push_back(!event.empty());
    carries_.push_back(0);
    by_value_.emplace(events_.back().name, i);
    if (!event.empty()) open_ = i;
  }
  lines_[i].second = line;
  DatedEvent& dated = events_[i];
  Sum& entry = sums_[i];
  if (!sample.result) {
    ++dated.undated_rows;
  } else {
    dated.rows.push_back(sample.measurement.name);
    const std::vector<std::string>& warnings = sample.result->warnings;
    if (!carried_.empty() &&
        std::find(warnings.begin(), warnings.end(), carried_) != warnings.end())
      carries_[i] = 1;
    if (dated.error.empty()) {
      const dating::YearSpan span =
          sample.c14 ? sample.c14->curve->span()
                     : dating::YearSpan{sample.curve->first_year, sample.curve->last_year};
      dating::RowLikelihood row =
          sample.c14 ? radiocarbon::row_likelihood(*sample.c14->curve, sample.c14->age, span)
                     : dating::row_likelihood(*sample.curve, sample.measured, span);
      if (sample.c14) {
        c14_dates_[i].emplace_back(
            sample.measurement.name,
            dating::Density{sample.result->first_year, sample.result->combined});
      }
      if (entry.rows == 0) {
        entry.sum = std::move(row);
        ++entry.rows;
      } else {
        // The rows of an event share the years that all their curves give.
        const dating::YearSpan had = dating::span_of(entry.sum);
        const dating::YearSpan shared{std::max(had.first_year, span.first_year),
                                      std::min(had.last_year, span.last_year)};
        if (shared.last_year <= shared.first_year) {
          dated.error = "the curves of its rows share no span of two whole years";
          entry = {};
        } else {
          // Rows on the same years, the usual case, are added as they are.
          if (shared.first_year != had.first_year || shared.last_year != had.last_year) {
            entry.sum = dating::cropped(entry.sum, shared);
          }
          if (shared.first_year != span.first_year || shared.last_year != span.last_year) {
            row = dating::cropped(row, shared);
          }
          dating::add_row(entry.sum, row);
          ++entry.rows;
        }
      }
    }
  }
  // A row on its own is its event, complete.
  if (event.empty()) close(i);
}

void EventBook::close(std::size_t i) {
  DatedEvent& event = events_[i];
  Sum& entry = sums_[i];
  if (entry.rows == 0 && event.error.empty()) event.error = "none of its rows could be dated";
  if (event.error.empty() && !event.alone) {
    try {
      event.alone =
          dating::date_event(std::move(entry.sum), entry.rows, options_.levels, options_.years);
      const int first = event.alone->first_year;
      const int last = first + static_cast<int>(event.alone->log_likelihood.size()) - 1;
      years_ = years_ ? dating::YearSpan{std::min(years_->first_year, first),
                                         std::max(years_->last_year, last)}
                      : dating::YearSpan{first, last};
      add_outside_warnings(c14_dates_[i], "the event's", {first, last}, options_.years,
                           event.alone->warnings);
    } catch (const std::invalid_argument& e) {
      event.error = e.what();
    }
  }
  entry = {};
  if (!event.alone) return;
  if (carries_[i]) event.alone->warnings.push_back(carried_);
  // A sequence needs the likelihood; only the files show the density.
  if (!options_.sequence) {
    release(event.alone->log_likelihood);
    c14_dates_[i].clear();
  }
  if (!options_.density && !options_.figure) release(event.alone->density.values);
}

void EventBook::date() {
  if (open_) close(*open_);
  open_.reset();
  if (!options_.sequence) return;
  // The sequence takes its events on the years that all of them share.
  std::vector<std::size_t> in_sequence;
  std::optional<dating::YearSpan> shared;
  for (std::size_t i = 0; i < events_.size(); ++i) {
    if (!events_[i].alone) continue;
    in_sequence.push_back(i);
    const dating::EventDate& alone = *events_[i].alone;
    const int first = alone.first_year;
    const int last = first + static_cast<int>(alone.log_likelihood.size()) - 1;
    shared = shared ? dating::YearSpan{std::max(shared->first_year, first),
                                       std::min(shared->last_year, last)}
                    : dating::YearSpan{first, last};
  }
  if (shared && shared->last_year <= shared->first_year) {
    sequence_error_ = "the curves of the sequence's events share no span of two whole years";
  } else if (shared) {
    for (const std::size_t i : in_sequence) {
      dating::EventDate& alone = *events_[i].alone;
      std::vector<double>& l = alone.log_likelihood;
      // The 14C rows of an event on fewer years than its own are warned of
      // again; the dates of the others lie within the sequence's years.
      if (shared->first_year == alone.first_year && shared->size() == l.size()) {
        c14_dates_[i].clear();
      }
      l.erase(l.begin() + (shared->last_year - alone.first_year) + 1, l.end());
      l.erase(l.begin(), l.begin() + (shared->first_year - alone.first_year));
      l.shrink_to_fit();
      alone.first_year = shared->first_year;
    }
  }
  if (!sequence_error_.empty() || in_sequence.empty()) return;
  // date_sequence takes the events oldest first.
  if (options_.sequence == DateOptions::Sequence::youngest_first) {
    std::reverse(in_sequence.begin(), in_sequence.end());
  }
  std::vector<const dating::EventDate*> alone;
  for (const std::size_t i : in_sequence) alone.push_back(&*events_[i].alone);
  try {
    // Only the files show the densities within the sequence.
    dating::SequenceDate dated = dating::date_sequence(alone, options_.levels, options_.years,
                                                       options_.density || options_.figure);
    for (std::size_t k = 0; k < in_sequence.size(); ++k) {
      DatedEvent& event = events_[in_sequence[k]];
      event.in_sequence = std::move(dated.events[k]);
      if (!event.in_sequence->left_out) {
        ++sequence_events_;
        add_outside_warnings(c14_dates_[in_sequence[k]], "the sequence's", *shared, options_.years,
                             event.in_sequence->warnings);
      }
    }
    dated.events.clear();
    for (const std::size_t i : in_sequence) {
      if (carries_[i] && !events_[i].in_sequence->left_out) {
        dated.warnings.push_back(carried_);
        break;
      }
    }
    sequence_ = std::move(dated);
  } catch (const std::invalid_argument& e) {
    sequence_error_ = e.what();
  }
  for (const std::size_t i : in_sequence) release(events_[i].alone->log_likelihood);
}

std::vector<std::string> write_event_files(const DateOptions& options, const EventBook& book,
                                           const std::vector<DatedEvent>& events,
                                           const companion::OutputGuard& guard,
                                           const std::string& density_comment) {
  std::vector<std::string> failures;
  const std::optional<dating::YearSpan> years = book.years();
  if (!years) return failures;
  try {
    if (options.density) {
      companion::write_output(
          guard, *options.density, "density file",
          density_comment + events_density_csv(events, years->first_year, years->last_year));
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
      const bool placed = event.in_sequence && !event.in_sequence->left_out;
      const dating::Density& shown = placed ? event.in_sequence->density : row.alone;
      if (event.in_sequence && !event.in_sequence->left_out) {
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
      if (rows.empty()) throw figures::FigureError("no event was dated: the figure is not drawn");
      const dating::YearSpan shown = events_figure_span(rows, years->first_year, years->last_year);
      draw_events_figure(rows, shown.first_year, shown.last_year, options.years,
                         options.figure_format, guard, *options.figure);
    } catch (const figures::FigureError& e) {
      failures.push_back(e.what());
    }
  }
  return failures;
}

}  // namespace date
