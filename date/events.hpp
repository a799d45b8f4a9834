// The events of a samples run of karven-date: samples of one moment dated
// together (the rows of one value of the event column, or a row on its
// own), and the events of a stratigraphic sequence; their density file
// and figure.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "companion/output_file.hpp"
#include "date/options.hpp"
#include "date/report.hpp"
#include "dating/chronology.hpp"

namespace date {

/// The events of a samples run, filled row by row as the rows are dated:
/// each event's rows' likelihoods summed over the years their curves share
/// (an event of many rows is held in the memory of one), dated alone and,
/// in a sequence, together at the end.
class EventBook {
 public:
  /// Adds a dated (or undated) row: to the event of its value, or as an
  /// event of its own when the value is empty.
  ///
  /// @throws dating::MeasurementError, std::invalid_argument as
  ///         dating::row_likelihood (not for a row that date_measurement dated)
  void add(const std::string& value, const DatedSample& sample);

  /// Dates the events: each alone and, with --sequence, within the
  /// sequence; a sequence puts all its events on the years that all of
  /// them share. An event that cannot be dated keeps its error; a sequence
  /// that cannot be dated, sequence_error().
  void date(const DateOptions& options);

  /// The events in the order of their first rows.
  std::vector<DatedEvent> events() const;
  const std::optional<dating::SequenceDate>& sequence() const { return sequence_; }
  std::size_t sequence_events() const { return sequence_events_; }
  const std::string& sequence_error() const { return sequence_error_; }

  /// The years of every event's date alone, nothing when none is dated.
  std::optional<dating::YearSpan> years() const;

 private:
  struct Entry {
    DatedEvent event;
    dating::RowLikelihood sum;  // of its dated rows, on the years they share
    std::size_t rows = 0;       // in the sum
  };
  std::vector<Entry> entries_;  // in the order of their first rows
  std::map<std::string, std::size_t> by_value_;
  std::optional<dating::SequenceDate> sequence_;
  std::size_t sequence_events_ = 0;
  std::string sequence_error_;
};

/// Writes the events' density file and figure, as the options ask.
///
/// @return the messages of the files that could not be written
std::vector<std::string> write_event_files(const DateOptions& options, const EventBook& book,
                                           const std::vector<DatedEvent>& events,
                                           const companion::OutputGuard& guard);

}  // namespace date
