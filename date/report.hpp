// What karven-date writes about a dating: the report, the summary table of
// a batch, the JSON and the CSV of the densities.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "date/radiocarbon_rows.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "dating/relocation.hpp"

namespace date {

/// A sample and what became of it: its dating, or why it has none.
struct DatedSample {
  dating::Measurement measurement;                  // as measured
  std::optional<curve::Site> site;                  // where it was measured, when known
  std::optional<dating::Relocation> relocation;     // to the curve's site, when elsewhere
  std::vector<dating::MeasuredComponent> measured;  // the components used
  // The curves of the components used on the grid of their shared years;
  // set when dated.
  std::shared_ptr<const dating::GriddedCurve> curve;
  std::optional<C14Sample> c14;                // a 14C age instead of a measurement
  std::optional<dating::DatingResult> result;  // empty when not dated
  std::string error;                           // why not dated
  std::vector<std::string> written;            // "density: FILE", "figure: FILE"
};

/// One line of an HPD region: "95%: 1148-1212 AD (81.3%), 1561-1580 AD
/// (13.9%); total 95.2%".
std::string region_text(const dating::HpdRegion& region,
                        dating::YearNotation notation = dating::YearNotation::ad);

/// One line of a sample's report: "  LABEL:" padded to 22 characters, then
/// the value.
std::string report_line(const std::string& label, const std::string& value);

/// The lines that end the report of a dated sample: the curve (its name,
/// span and number of years), the most probable year, one line per level,
/// one per warning and one per file written.
std::string dating_lines(const std::string& curve_name, int first_year, int last_year,
                         std::size_t years, const DatedSample& sample,
                         dating::YearNotation notation);

/// The report of one sample: its name (as console::shown_text shows it)
/// and values, the standard deviations used, the curve and its span, the
/// most probable year, one line per level and one per warning; or its name
/// and why it was not dated.
std::string sample_report(const DatedSample& sample,
                          dating::YearNotation notation = dating::YearNotation::ad);

/// The mark of a sample with warnings in the summary table, after its name.
inline constexpr std::string_view WARNING_MARK = " *";

/// What the summary table keeps of a sample: the cells of its line, the
/// name as console::shown_text shows it (marked when the sample has
/// warnings), the components used, the most probable year and the
/// intervals per level; or the name, "-", "-" and why it was not dated. A
/// few hundred bytes, so that a batch of any size keeps its summary,
/// whatever the datings held.
struct SummaryRow {
  std::vector<std::string> cells;
  std::string site;  // where the sample was measured, "" when not known
  bool dated = false;
  bool marked = false;
};
SummaryRow summary_row(const DatedSample& sample,
                       dating::YearNotation notation = dating::YearNotation::ad);

/// Writes the table that ends the report of a batch, a line per sample,
/// with a column of the samples' sites when any is known; a line under the
/// table says what the mark of a sample with warnings means.
void summary_table(std::ostream& out, std::span<const SummaryRow> rows,
                   std::span<const double> levels);

/// A sample as JSON: name, components, mode, levels (level, total,
/// intervals of from, to, probability), warnings, sigmas (by component
/// letter), span (first, last) and curve; or name and error. The name is
/// the name itself, which JSON escapes as it must. Probabilities and
/// sigmas are rounded to 10 significant digits, so that the text is the
/// same on every system.
nlohmann::ordered_json sample_json(const DatedSample& sample);

/// An event, samples of one moment dated together (the rows of one value
/// of the samples file's event column, or a row without one on its own),
/// and what became of it: its date alone and, in a sequence, within it.
struct DatedEvent {
  std::string name;               // the event's value, or its row's name
  std::vector<std::string> rows;  // the names of its rows that were dated
  std::size_t undated_rows = 0;   // its rows that could not be dated
  std::optional<dating::EventDate> alone;
  std::optional<dating::DateInSequence> in_sequence;
  std::string error;  // why it has no date
};

/// The report of an event: its name, its rows, its date alone (most
/// probable year, one line per level), within the sequence with its
/// agreement index, and its warnings; or why it has no date.
std::string event_report(const DatedEvent& event, dating::YearNotation notation);

/// The line about a sequence as a whole: its events and their order, the
/// overall agreement, and its warnings.
std::string sequence_report(const dating::SequenceDate& sequence, std::size_t events,
                            bool oldest_first);

/// The table of the events that ends the report: each event's name, its
/// rows, its date alone (most probable year and intervals per level) and,
/// in a sequence, within it and its agreement index.
void events_table(std::ostream& out, std::span<const DatedEvent> events,
                  std::span<const double> levels, bool sequence, dating::YearNotation notation);

/// An event as JSON: name, rows, alone (mode, levels), warnings and, in a
/// sequence, in_sequence (mode, levels, agreement); or name, rows and error.
nlohmann::ordered_json event_json(const DatedEvent& event);

/// What the JSON of a samples run with events holds besides the samples:
/// "events", an array of event_json, and in a sequence its overall
/// agreement, "sequence_agreement" (percent), and "sequence_warnings".
nlohmann::ordered_json events_json(std::span<const DatedEvent> events,
                                   const std::optional<dating::SequenceDate>& sequence);

/// The events' densities as CSV: the header "year" and for each event its
/// name (its date alone) and, in a sequence, "NAME in sequence", then one
/// row per year from first_year to last_year.
std::string events_density_csv(std::span<const DatedEvent> events, int first_year, int last_year);

/// The densities on the year grid as CSV: the header "year,D,I,F,combined"
/// with only the components used, then one row per year, each density to
/// 10 significant digits.
std::string density_csv(const dating::DatingResult& result);

/// A probability rounded to 10 significant digits, in the shortest text
/// that reads back to that rounded value ("0.0123456789", "0", "1e-300").
std::string probability_text(double probability);

}  // namespace date
