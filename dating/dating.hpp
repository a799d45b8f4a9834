// Archaeomagnetic dating: the probability of a structure's age from its
// measured direction and intensity and a reference curve of its site.
// Pure computation: a curve and a measurement in, densities on a grid of
// whole years and highest posterior density (HPD) intervals out.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "curve/reference_curve.hpp"

namespace dating {

using curve::Component;

/// Radius of a two-dimensional normal distribution's 95% circle in units
/// of its sigma, sqrt(-2 ln 0.05): an alpha95 of A degrees stands for an
/// inclination sigma of A / 2.448.
inline constexpr double CIRCULAR_95 = 2.448;

/// The 95% points of the chi-square distribution with 1, 2 and 3 degrees
/// of freedom, as tabulated: a measurement whose smallest chi-square over
/// the years exceeds the point for its count of components meets the
/// curve nowhere.
inline constexpr std::array<double, 3> CHI_SQUARE_95 = {3.841, 5.991, 7.815};

/// Largest |year| of a curve that dating takes: a grid of whole years
/// from -MAX_CURVE_YEAR to MAX_CURVE_YEAR still fits in memory.
inline constexpr double MAX_CURVE_YEAR = 1.0e6;

/// Highest intensity taken, microtesla: far above any field at the
/// Earth's surface in the model's span (under 100 uT), and far below a
/// value typed in nanotesla (tens of thousands).
inline constexpr double MAX_INTENSITY = 200.0;

/// How reports write a year t (astronomical numbering, as the curves'):
/// - ad: "1506 AD", "0 AD", a year before 0 as "year -500";
/// - ce: "1506 CE"; t <= 0 as "1 - t BCE" ("1 BCE" for 0, "2 BCE" for
///   -1): there is no year 0 between 1 BCE and 1 CE;
/// - bp: years before 1950, "1950 - t BP" ("50 BP" for 1900, "-50 BP" for
///   2000).
enum class YearNotation { ad, ce, bp };

/// A year written in a notation.
std::string year_text(int year, YearNotation notation = YearNotation::ad);

/// The consecutive years from first to last (first <= last), both included,
/// as reports write them: one year as year_text; two years that the
/// notation writes as plain counts with one suffix joined by a hyphen,
/// earlier first ("1200-1300 AD", "501-401 BCE", "1450-1350 BP"); others
/// as two years joined by " to " ("year -500 to 1200 AD", "1 BCE to 1900
/// CE", "50 BP to -50 BP").
std::string span_text(int first, int last, YearNotation notation = YearNotation::ad);

/// A probability as a percentage with one decimal, "81.3%"; "<0.1%" for
/// one that rounds to zero but is not.
std::string percent_text(double probability);

/// A measured direction and intensity, as the user gives them; a missing
/// value is empty.
struct Measurement {
  std::string name;
  std::optional<double> declination;      // degrees
  std::optional<double> inclination;      // degrees
  std::optional<double> alpha95;          // degrees, the direction's 95% cone
  std::optional<double> intensity;        // microtesla
  std::optional<double> intensity_sigma;  // microtesla, one standard deviation
};

/// A measurement that cannot be dated: a value out of its domain, a
/// declination without its inclination and alpha95, no component at all.
/// field() names the value at fault, one that is given ("dec", "inc",
/// "a95", "int", "sigma_int"; for a value that lacks its partner, the one
/// given), or "" when none alone is.
class MeasurementError : public std::runtime_error {
 public:
  MeasurementError(std::string field, const std::string& message)
      : std::runtime_error(message), field_(std::move(field)) {}
  const std::string& field() const { return field_; }

 private:
  std::string field_;
};

/// One component as dating uses it: the measured value and its standard
/// deviation (sigma_I = alpha95 / 2.448, sigma_D = alpha95 / (2.448 cos I),
/// sigma_F as given).
struct MeasuredComponent {
  Component component;
  double value;
  double sigma;
};

/// The components of a measurement that are used, in the order D, I, F,
/// with their standard deviations.
///
/// @throws MeasurementError for the first of these faults: a value that is
///         not finite; alpha95 not in (0, 90); D outside [-360, 360] (a
///         declination is one turn at most, east or west); I outside
///         [-90, 90]; F or
///         sigma_F not positive; F above MAX_INTENSITY (a value in
///         nanotesla); D without I or alpha95; D with |I| = 90;
///         I without alpha95 or alpha95 without I; F without sigma_F or
///         sigma_F without F; no component at all
std::vector<MeasuredComponent> measured_components(const Measurement& measurement);

/// A component of the reference curve on the grid of whole years:
/// value and sigma at each year, NaN where the curve has no value.
struct GriddedComponent {
  std::vector<double> values;
  std::vector<double> sigmas;
};

/// A reference curve on the grid of whole years from first_year to
/// last_year, the span that all its given components share. Values
/// between two points of a series are interpolated linearly, declination
/// along the shorter arc; a year between two points of which one is a gap
/// has no value; a year that falls on a point takes that point's value.
struct GriddedCurve {
  std::string source;
  int first_year = 0;
  int last_year = 0;
  std::array<std::optional<GriddedComponent>, 3> components;  // by Component

  std::size_t size() const { return static_cast<std::size_t>(last_year - first_year + 1); }
  const std::optional<GriddedComponent>& operator[](Component c) const {
    return components[static_cast<std::size_t>(c)];
  }
};

/// The reference curve put on the grid of whole years, every component it
/// gives.
///
/// @throws std::invalid_argument when the curve gives no component, a
///         series' years do not increase or lie beyond MAX_CURVE_YEAR, its
///         three vectors differ in length, or the given components share
///         no span of at least two whole years
GriddedCurve grid_curve(const curve::ReferenceCurve& reference);

/// The components of the reference curve that a measurement uses, on the
/// grid of whole years that their curves share: a component the curve
/// gives but the measurement does not use neither limits the span nor is
/// put on the grid.
///
/// @param[in] used  the components, each given by the curve
/// @throws std::invalid_argument as grid_curve, and when the curve lacks a
///         component used
GriddedCurve grid_curve(const curve::ReferenceCurve& reference, std::span<const Component> used);

/// An HPD interval: the consecutive years from `from` to `to` (years AD,
/// both included) and the probability they hold together (a fraction).
struct HpdInterval {
  int from;
  int to;
  double probability;
};

/// An HPD interval as reports write it: its span and its probability,
/// "1200-1300 AD (93.4%)".
std::string interval_text(const HpdInterval& interval, YearNotation notation = YearNotation::ad);

/// The HPD region at one level: its intervals in order of time and the
/// probability they reach (at least the level, passing it by at most one
/// year's probability, or by the years that tie with the last one taken).
struct HpdRegion {
  double level;  // percent, e.g. 95
  double total;  // fraction reached
  std::vector<HpdInterval> intervals;
};

/// The HPD regions of a probability per year: the years sorted by
/// probability, highest first (the earlier year first among equals), are
/// taken until their sum reaches the level, and with them every year whose
/// probability equals (as a double) that of the last year taken: tied
/// years stay together, and the level may be passed by more than one
/// year's probability. The years taken form the intervals. Years of
/// probability 0 are never taken.
///
/// @param[in] probabilities  one per year, summing to 1
/// @param[in] first_year     the year of probabilities[0]
/// @param[in] levels         percent, each in (0, 100)
/// @throws std::invalid_argument for a level outside (0, 100)
std::vector<HpdRegion> hpd_regions(std::span<const double> probabilities, int first_year,
                                   std::span<const double> levels);

/// The result of dating one measurement.
struct DatingResult {
  std::vector<Component> components;  // used, in the order D, I, F
  int first_year = 0;                 // of the grid
  std::vector<double> combined;       // probability per year, summing to 1
  // Each component's own density, by Component; empty if unused or not
  // asked for (component_densities).
  std::array<std::vector<double>, 3> densities;
  int mode = 0;                       // the most probable year
  std::vector<HpdRegion> regions;     // one per level, as asked
  double min_chi_square = 0.0;        // smallest over the years
  int closest_year = 0;               // where it is reached
  int unusable_years = 0;             // years where a component used has no value
  std::vector<std::string> warnings;  // one line each, for report and JSON
};

/// A chi-square as warnings write it: two decimals, "10990.14"; beyond
/// 1e6, three significant digits and an exponent, "1.23e+300".
std::string chi_square_text(double chi_square);

/// The warning of a date that meets its curve nowhere: "the measurement
/// meets the curve nowhere: its smallest chi-square, 10990.14 at 1500 AD,
/// exceeds 3.841, the 95% point for 1 component; the date is doubtful",
/// with `what` in place of "the measurement".
std::string off_curve_warning(const std::string& what, double min_chi_square, int closest_year,
                              double limit, int components, YearNotation notation);

/// Dates a measurement against a gridded curve.
///
/// @param[in] curve       the reference curve on its year grid; it gives
///                        every component measured
/// @param[in] measured    the components used (measured_components)
/// @param[in] levels      the HPD levels, percent, each in (0, 100)
/// @param[in] component_densities  whether to fill `densities`, each
///                        component's own density (they cost three times
///                        as much as the rest; a report needs none)
/// @param[in] notation    how the warnings write years
/// @throws std::invalid_argument when the curve lacks a component measured,
///         a component is measured twice or without a finite value and a
///         positive sigma, a level lies outside (0, 100), or no year of the
///         grid has every component used
/// @throws MeasurementError when the measurement lies so far from the
///         curve that its likelihood underflows at every year (a value
///         some 1e150 sigmas off)
DatingResult date_measurement(const GriddedCurve& curve,
                              std::span<const MeasuredComponent> measured,
                              std::span<const double> levels, bool component_densities = true,
                              YearNotation notation = YearNotation::ad);

}  // namespace dating
