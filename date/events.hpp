// The events of a samples run of karven-date: samples of one moment dated
// together (the rows of one value of the event column, or a row on its
// own), and the events of a stratigraphic sequence; their density file
// and figure.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "companion/output_file.hpp"
#include "date/options.hpp"
#include "date/report.hpp"
#include "dating/chronology.hpp"

namespace date {

/// The events of a samples run, filled row by row as the rows are dated:
/// each event's rows' likelihoods summed over the years their curves share
/// (an event of many rows is held in the memory of one). The rows of an
/// event come together, so an event is dated alone as soon as a row of
/// another comes, and only what the outputs need is kept of it: its
/// intervals and warnings, its density only for the density file and the
/// figure. In a sequence every event's likelihood is kept (once) until the
/// events are dated together at the end.
class EventBook {
 public:
  /// @param[in] options  the run's: levels, notation, --sequence, and
  ///                     whether densities are written (--density, --figure)
  explicit EventBook(const DateOptions& options) : options_(options) {}

  /// A warning about the curve that a row's dating may carry (a global
  /// model's curve taken as exact): the event of such a row carries it
  /// too, and so does a sequence of such events.
  void carry_warning(std::string warning) { carried_ = std::move(warning); }

  /// Why a row cannot join the book, "" when it can: a row of an event
  /// whose rows came earlier with other events' rows after them, or a row
  /// that is an event of its own under the name of an earlier event.
  /// A value of blanks alone is no event.
  std::string refusal(const std::string& value, const std::string& name) const;

  /// Adds a dated (or undated) row: to the event of its value, or as an
  /// event of its own when the value is empty (or blank). The row must
  /// not be refused (refusal()).
  ///
  /// @param[in] line  the row's line in the samples file, for messages
  /// @throws dating::MeasurementError, std::invalid_argument as
  ///         dating::row_likelihood (not for a row that date_measurement dated)
  void add(const std::string& value, const DatedSample& sample, int line);

  /// Dates the events still open and, with --sequence, the sequence; a
  /// sequence puts all its events on the years that all of them share and
  /// leaves out those that meet their curves nowhere. An event that cannot
  /// be dated keeps its error; a sequence that cannot be dated,
  /// sequence_error().
  void date();

  /// The events in the order of their first rows.
  const std::vector<DatedEvent>& events() const { return events_; }
  const std::optional<dating::SequenceDate>& sequence() const { return sequence_; }
  std::size_t sequence_events() const { return sequence_events_; }
  const std::string& sequence_error() const { return sequence_error_; }

  /// The years of every event's date alone, nothing when none is dated.
  std::optional<dating::YearSpan> years() const { return years_; }

 private:
  struct Sum {
    dating::RowLikelihood sum;  // of its dated rows, on the years they share
    std::size_t rows = 0;       // in the sum
  };
  // Dates event i alone from its sum, and keeps only what the outputs need.
  void close(std::size_t i);

  const DateOptions& options_;
  std::vector<DatedEvent> events_;               // in the order of their first rows
  std::vector<Sum> sums_;                        // by event; emptied once it is dated
  std::vector<std::pair<int, int>> lines_;       // by event: its first and last rows' lines
  std::vector<char> of_value_;                   // by event: named by the event column
  std::string carried_;                          // carry_warning()
  std::vector<char> carries_;                    // by event: a row carries it
  std::map<std::string, std::size_t> by_value_;  // event value or own name: its event
  std::optional<std::size_t> open_;              // the event of the last row, if of a value
  // By event: the calibrated dates of its 14C rows, each by its row's name,
  // for the share that lies outside the years of the event (and of the
  // sequence); a few hundred years each.
  std::vector<std::vector<std::pair<std::string, dating::Density>>> c14_dates_;
  std::optional<dating::YearSpan> years_;
  std::optional<dating::SequenceDate> sequence_;
  std::size_t sequence_events_ = 0;
  std::string sequence_error_;
};

/// Writes the events' density file and figure, as the options ask.
///
/// @return the messages of the files that could not be written
/// The density file begins with `density_comment` (a line naming a global
/// model, or nothing).
///
/// @return the messages of the files that could not be written
std::vector<std::string> write_event_files(const DateOptions& options, const EventBook& book,
                                           const std::vector<DatedEvent>& events,
                                           const companion::OutputGuard& guard,
                                           const std::string& density_comment = "");

}  // namespace date
