// Radiocarbon calibration, the field's standard way: a 14C age r +- sigma
// against a curve mu(t) +- sigma_c(t) has, on each whole calendar year t,
// the likelihood
//     L(t) = exp(-(r - mu(t))^2 / (2 S^2)) / S,   S^2 = sigma^2 + sigma_c(t)^2,
// mu and sigma_c interpolated linearly between the curve's rows. A
// reservoir offset Delta R +- sigma_Delta_R (marine samples) enters as
// r - Delta R and sigma^2 + sigma_Delta_R^2. Pure computation.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "radiocarbon/calibration_curve.hpp"

namespace radiocarbon {

/// A measurement further than this many of its combined sigmas beyond the
/// oldest or the youngest age of a curve is refused: it meets the curve
/// nowhere, and its density would be the noise of the curve's end.
inline constexpr double BEYOND_SIGMAS = 4.0;

/// A calibrated date leaves out the years whose likelihood is below this
/// fraction of its peak (they hold less than 1e-12 of the mass each).
inline constexpr double NEGLIGIBLE = 1e-12;

/// A measured age beyond the curve's oldest or youngest age by at least
/// this share (a fraction) is warned of.
inline constexpr double BEYOND_SHARE_WARNED = 0.001;

/// A calibration curve on the grid of whole calendar years that its rows
/// span, with the extremes of each block of years that calibration uses
/// to pass over the years far from a measurement.
struct GriddedCalibrationCurve {
  /// Years in a block.
  static constexpr int BLOCK = 32;
  struct Block {
    double least_age, greatest_age;  // 14C years BP
    double greatest_variance;        // sigma_c^2
  };

  std::string name;
  std::string citation;
  int first_year = 0;             // AD
  int last_year = 0;              // AD
  std::vector<double> ages;       // mu at each year, 14C years BP
  std::vector<double> variances;  // sigma_c^2 at each year
  std::vector<Block> blocks;      // block b holds years first_year + BLOCK b ...
  int oldest_year = 0;            // where mu is greatest (the earlier among equals)
  int youngest_year = 0;          // where mu is least (the earlier among equals)

  std::size_t size() const { return ages.size(); }
  dating::YearSpan span() const { return {first_year, last_year}; }
};

/// The curve on the whole calendar years from the first to the last that
/// its rows span. A year between two rows takes mu and sigma_c interpolated
/// linearly (a + (b - a) f, so that two equal rows give their value
/// exactly); a year on a row takes the row's.
///
/// @throws std::invalid_argument when the years do not ascend strictly,
///         the three vectors differ in length, a value is not finite or a
///         sigma not positive, the rows lie beyond dating::MAX_CURVE_YEAR
///         or span fewer than two whole years
GriddedCalibrationCurve grid_curve(const CalibrationCurve& curve);

/// A radiocarbon measurement: a conventional 14C age and, for a marine
/// sample, the local reservoir offset Delta R.
struct C14Age {
  double age = 0.0;            // 14C years BP
  double sigma = 0.0;          // 14C years, one standard deviation, > 0
  double delta_r = 0.0;        // 14C years
  double delta_r_sigma = 0.0;  // 14C years, >= 0
};

/// The calibration of one 14C age. `date` is a dating::DatingResult with
/// no components: its density runs from date.first_year over the years
/// whose likelihood is at least NEGLIGIBLE of its peak (0 between them
/// where it dips below); min_chi_square, (r - mu)^2 / S^2, is the smallest
/// over those years; unusable_years is 0.
struct Calibration {
  dating::DatingResult date;
  double beyond_oldest = 0.0;    // share of the measured age above the curve's oldest age
  double beyond_youngest = 0.0;  // share of the measured age below its youngest age
};

/// Calibrates an age. Warnings: an HPD interval that touches the curve's
/// first or last year (worded as dating::date_measurement words it), and a
/// measured age whose normal distribution (r - Delta R, S at the extreme
/// year) lies at least BEYOND_SHARE_WARNED above the curve's oldest or
/// below its youngest age, with that share: the date may then lie beyond
/// the curve's span.
///
/// Only the years that matter are evaluated: a block of years whose least
/// possible -ln L lies more than ln(1 / NEGLIGIBLE) above the best found
/// is passed over, so that a date costs the years near it, not the
/// curve's 55,000.
///
/// @param[in] levels  the HPD levels, percent, each in (0, 100)
/// @throws dating::MeasurementError as check_age
/// @throws std::invalid_argument for a level outside (0, 100)
Calibration calibrate(const GriddedCalibrationCurve& curve, const C14Age& age,
                      std::span<const double> levels,
                      dating::YearNotation notation = dating::YearNotation::ad);

/// The age as one row of an event or a sequence: on every year of `span`,
/// ln L = -chi^2 / 2 - ln S with chi^2 = (r - mu)^2 / S^2 and one
/// component, the convention of the archaeomagnetic rows. Unlike
/// calibrate, no year is left out: the other rows of an event may put its
/// date where this one is small.
///
/// @param[in] span  within the curve's years (dating::shared_span)
/// @throws dating::MeasurementError as check_age
/// @throws std::invalid_argument when the span is not within the curve's
///         years
dating::RowLikelihood row_likelihood(const GriddedCalibrationCurve& curve, const C14Age& age,
                                     dating::YearSpan span);

/// Refuses an age that cannot be calibrated on the curve.
///
/// @throws dating::MeasurementError naming the value at fault ("c14_age",
///         "c14_sigma", "delta_r", "delta_r_sigma"): a value not finite; a
///         sigma not positive or a Delta R sigma below 0; an age less Delta R
///         more than BEYOND_SIGMAS combined sigmas above the curve's oldest
///         age or below its youngest
void check_age(const GriddedCalibrationCurve& curve, const C14Age& age);

}  // namespace radiocarbon
