// Dating structures together, beside the dating of one measurement: the
// rows of one event (several samples or structures of one moment) and the
// events of a stratigraphic sequence (t_1 <= t_2 <= ... <= t_n), exactly on
// the grid of whole years. Pure computation: rows' log-likelihoods on a
// shared year grid in, densities, HPD intervals, agreement indices and
// warnings out.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "dating/dating.hpp"

namespace dating {

// --- The chi-square distribution -----------------------------------------

/// The regularised lower incomplete gamma function
/// P(a, x) = (1 / Gamma(a)) * integral from 0 to x of s^(a-1) e^(-s) ds,
/// to a relative error of some a times 1e-15 (e^-x x^a / Gamma(a) is taken
/// in logarithms), by its power series below x = a + 1 and by the continued
/// fraction of 1 - P above. It calls std::lgamma, which may set the C
/// library's global signgam: like chi_square_quantile and date_event, it is
/// not for concurrent calls from several threads.
///
/// @param[in] a  > 0
/// @param[in] x  >= 0
/// @throws std::invalid_argument outside that domain or for a NaN
double regularized_gamma_p(double a, double x);

/// The point x below which the chi-square distribution with `degrees`
/// degrees of freedom holds `probability`: P(degrees / 2, x / 2) =
/// probability (3.841, 5.991, 7.815 for 1, 2, 3 degrees at 0.95), to a
/// relative 1e-12 up to some thousands of degrees.
///
/// @param[in] probability  in (0, 1)
/// @param[in] degrees      >= 1
/// @throws std::invalid_argument outside those domains
double chi_square_quantile(double probability, int degrees);

// --- Rows on a shared grid -----------------------------------------------

/// Consecutive whole years, first_year to last_year, both included.
struct YearSpan {
  int first_year = 0;
  int last_year = 0;

  std::size_t size() const { return static_cast<std::size_t>(last_year - first_year + 1); }
};

/// The whole years that every curve covers: the grid of an event or a
/// sequence whose rows use these curves.
///
/// @param[in] curves  the gridded curves (not null), at least one
/// @throws std::invalid_argument when no curve is given or the curves share
///         fewer than two years
YearSpan shared_span(std::span<const GriddedCurve* const> curves);

/// One row's likelihood on a grid of whole years, in logarithms:
///     ln L(t) = -chi^2(t) / 2 - ln(prod V(t)) / 2
/// with chi^2 = sum of r^2 / V over the components used and V the sum of
/// the measurement's and the curve's variances, the terms of
/// date_measurement; -inf where a component used has no value (chi^2 is NaN
/// there). The constant -ln(2 pi) / 2 per component is left out, as it is in
/// every likelihood of this library. Rows of other origins may be built by
/// hand with the same meaning.
struct RowLikelihood {
  int first_year = 0;                  // of the grid
  std::vector<double> log_likelihood;  // per year, finite or -inf
  std::vector<double> chi_square;      // per year, NaN where ln L is -inf
  int components = 0;                  // the count used, 1 to 3
  // Rows that meet their curve nowhere: whose chi-square exceeds the 95%
  // point for their components at every year (1 or 0 for one row, set by
  // row_likelihood; summed by add_row).
  int rows_off_curve = 0;

  std::size_t size() const { return log_likelihood.size(); }
};

/// A measurement's likelihood against a gridded curve on a span of years
/// within the curve's, with the same terms as date_measurement (the
/// declination's difference wrapped into [-180, 180), each variance kept
/// within the range of normal doubles).
///
/// @param[in] curve     the reference curve of the row's site; it gives
///                      every component measured
/// @param[in] measured  the components used (measured_components)
/// @param[in] span      the grid, within the curve's years (shared_span)
/// @throws std::invalid_argument when the span is not within the curve's
///         years, the curve lacks a component measured, a component is
///         measured twice or without a finite value and a positive sigma,
///         or no year of the span has every component used
/// @throws MeasurementError when the measurement lies so far from the
///         curve that its chi-square overflows at every year of the span
/// rows_off_curve is 1 when the row meets the curve nowhere on the span.
RowLikelihood row_likelihood(const GriddedCurve& curve, std::span<const MeasuredComponent> measured,
                             YearSpan span);

// --- Dates ---------------------------------------------------------------

/// A probability per year on a stretch of a grid, 0 outside it: the years
/// from the first to the last of nonzero probability (a density far from
/// its peak falls below the smallest double and is 0 there).
struct Density {
  int first_year = 0;          // of values[0]
  std::vector<double> values;  // summing to 1

  int last_year() const { return first_year + static_cast<int>(values.size()) - 1; }
  /// The probability of a year, 0 outside the stretch.
  double at(int year) const {
    const long long k = static_cast<long long>(year) - first_year;
    return k >= 0 && k < static_cast<long long>(values.size()) ? values[static_cast<std::size_t>(k)]
                                                               : 0.0;
  }
};

/// The date of one event: its rows' likelihoods multiplied (their logarithms
/// summed) and normalised.
struct EventDate {
  int first_year = 0;                  // of the grid
  std::vector<double> log_likelihood;  // ln of the product, per year of the grid
  Density density;                     // the event's date alone
  int mode = 0;                        // the most probable year, the earlier among equals
  std::vector<HpdRegion> regions;      // one per level, as asked
  double min_chi_square = 0.0;         // smallest over the years of the sum over the rows
  int closest_year = 0;                // where it is reached, the earlier among equals
  int degrees = 0;                     // components summed over the rows
  double chi_square_limit = 0.0;       // the 95% point for that many degrees
  // False when every row meets its curve nowhere: the event then meets it
  // nowhere either, and a sequence leaves it out.
  bool meets_curve = true;
  std::vector<std::string> warnings;  // one line each, for report and JSON
};

/// Dates the rows of one event together. When every row meets its curve
/// nowhere, a warning says so of the event (and meets_curve is false);
/// otherwise the consistency test: when there are two rows or more and
/// min_chi_square exceeds chi_square_limit, a warning says the rows do not
/// agree with one date, naming the year where they come closest. Like
/// date_measurement, a warning says when an HPD interval touches the first
/// or last year of the grid. Each row that meets its curve nowhere on the
/// grid has its own warning first, "row 2: the measurement meets the curve
/// nowhere: ...".
///
/// @param[in] rows      at least one, all on the same grid (first year and
///                      count of years); ln L finite or -inf, chi-square
///                      NaN or not below 0, components 1 to 3
/// @param[in] levels    the HPD levels, percent, each in (0, 100)
/// @param[in] notation  how the warnings write years
/// @throws std::invalid_argument when a precondition fails or no year of
///         the grid is possible for every row
EventDate date_event(std::span<const RowLikelihood> rows, std::span<const double> levels,
                     YearNotation notation = YearNotation::ad);

/// The years of a row's grid.
YearSpan span_of(const RowLikelihood& row);

/// A row's likelihood on a part of its grid.
///
/// @throws std::invalid_argument when the span does not lie within the
///         row's years
RowLikelihood cropped(const RowLikelihood& row, YearSpan span);

/// Adds a row's likelihood into the sum of an event's rows: ln L and
/// chi-square year by year, the components counted. An empty sum takes
/// the row as it is.
///
/// @throws std::invalid_argument when the row lies on another grid
void add_row(RowLikelihood& sum, const RowLikelihood& row);

/// Dates an event from the sum of its rows' likelihoods (add_row), so that
/// an event of many rows is held in the memory of one: the same as
/// date_event of the rows themselves, but for the rows' own warnings,
/// which the caller has (date_measurement's).
///
/// @param[in] sum   the rows' sum; its components, the degrees of freedom
/// @param[in] rows  how many rows the sum holds, at least one
EventDate date_event(const RowLikelihood& sum, std::size_t rows, std::span<const double> levels,
                     YearNotation notation = YearNotation::ad);

/// The same, taking the sum's log-likelihood over as the event's rather
/// than copying it: a sum that is no longer needed is dated without a
/// second vector of the grid's length.
EventDate date_event(RowLikelihood&& sum, std::size_t rows, std::span<const double> levels,
                     YearNotation notation = YearNotation::ad);

/// An agreement index or overall agreement below this (percent) draws a
/// warning.
inline constexpr double AGREEMENT_THRESHOLD = 60.0;

/// An event's date within a sequence.
struct DateInSequence {
  Density density;                 // p_i, the date within the sequence (if kept)
  int mode = 0;                    // the most probable year, the earlier among equals
  std::vector<HpdRegion> regions;  // one per level, as asked
  double agreement = 0.0;          // percent: 100 sum p_i q_i / sum q_i^2
  // An event that meets its curve nowhere is left out of the sequence: it
  // has no date within it (density empty, agreement NaN), and a warning.
  bool left_out = false;
  std::vector<std::string> warnings;  // one line each
};

/// The dates of a sequence's events, in the order given.
struct SequenceDate {
  std::vector<DateInSequence> events;
  double agreement = 0.0;             // overall, percent
  std::vector<std::string> warnings;  // about the sequence as a whole
};

/// Dates the events of a stratigraphic sequence t_1 <= t_2 <= ... <= t_n
/// (two may share a year) under a uniform prior over the ordered tuples of
/// grid years. Event i's marginal posterior is, exactly,
///     p_i(t) ~ L_i(t) A_i(t) B_i(t),
///     A_1 = 1,  A_i(t) = sum over s <= t of L_{i-1}(s) A_{i-1}(s),
///     B_n = 1,  B_i(t) = sum over s >= t of L_{i+1}(s) B_{i+1}(s),
/// each normalised to sum 1; the sums are kept in logarithms, so the
/// likelihoods may lie far below the smallest double. Time O(n T) for n
/// events on T years; memory O(sqrt(n) T) beside the output, the A_i being
/// recomputed block by block from every sqrt(n)-th.
///
/// With q_i the event's date alone (its L_i normalised), its agreement
/// index is 100 sum p_i q_i / sum q_i^2, and the overall agreement
/// 100 (prod A_i / 100)^(1 / sqrt n); below AGREEMENT_THRESHOLD each draws
/// a warning. A sequence of one event gives its date alone, bit for bit.
///
/// @param[in] first_year       the year of the grid's first entry
/// @param[in] log_likelihoods  ln L_i per year of the grid, oldest event
///                             first (EventDate::log_likelihood); at least
///                             one, all of one size, finite or -inf, each
///                             finite somewhere
/// @param[in] levels           the HPD levels, percent, each in (0, 100)
/// @param[in] notation         how the warnings write years
/// @param[in] densities        whether to keep each event's density within
///                             the sequence (DateInSequence::density, left
///                             empty otherwise): a report needs only its
///                             mode, intervals and agreement, and n
///                             densities on a long grid are n vectors of
///                             its length
/// @throws std::invalid_argument when a precondition fails or no ordered
///         tuple of years is possible (events held to years that cannot
///         follow one another)
SequenceDate date_sequence(int first_year, std::span<const std::span<const double>> log_likelihoods,
                           std::span<const double> levels, YearNotation notation = YearNotation::ad,
                           bool densities = true);

/// Dates the events of a sequence from their dates alone, oldest first, as
/// date_sequence of their log-likelihoods, leaving out each event that
/// meets its curve nowhere (EventDate::meets_curve false): a row far from
/// every year of the curve would otherwise hold the others at its closest
/// year. Such an event's date in the sequence is left_out, with the warning
/// "the event meets the curve nowhere and is left out of the sequence".
///
/// @param[in] events  at least one, not null, all on one grid
/// @throws std::invalid_argument as date_sequence, and when every event
///         is left out
SequenceDate date_sequence(std::span<const EventDate* const> events, std::span<const double> levels,
                           YearNotation notation = YearNotation::ad, bool densities = true);

}  // namespace dating
