// Radiocarbon ages in karven-date: a 14C age calibrated on its own (--c14)
// or as a row of a samples file, beside the archaeomagnetic rows, in
// events and sequences.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dating/chronology.hpp"
#include "radiocarbon/calibration.hpp"

namespace date {

/// The calibration curve of the rows that name none.
inline constexpr const char* DEFAULT_C14_CURVE = "intcal20";

/// A 14C age as the user gives it, on the command line or in a row of the
/// samples file: any of its values may be missing, to be refused by
/// c14_age().
struct C14Input {
  std::optional<double> age, sigma, delta_r, delta_r_sigma;
  std::string curve;  // a bundled curve's name or a .14c file's path; "": intcal20
};

/// A radiocarbon age and the curve it was calibrated on.
struct C14Sample {
  radiocarbon::C14Age age;
  std::shared_ptr<const radiocarbon::GriddedCalibrationCurve> curve;
};

/// The age of an input that gives one: c14_age and c14_sigma both, delta_r
/// and delta_r_sigma both or neither.
///
/// @throws dating::MeasurementError naming the column at fault ("c14_sigma"
///         for an age without its sigma)
radiocarbon::C14Age c14_age(const C14Input& input);

/// The calibration curves of a run, each read and put on its year grid
/// once, by the name or path that the rows give.
class C14Curves {
 public:
  /// The curve of that name (a bundled curve) or path; "" is intcal20.
  ///
  /// @throws radiocarbon::CurveFileError as radiocarbon::load_curve, and
  ///         for a curve that cannot be put on a year grid
  std::shared_ptr<const radiocarbon::GriddedCalibrationCurve> get(const std::string& name);

 private:
  std::map<std::string, std::shared_ptr<const radiocarbon::GriddedCalibrationCurve>> curves_;
};

/// The curve as reports name it: "IntCal20 (Reimer et al. 2020, ...)", or
/// a file's name.
std::string c14_curve_text(const radiocarbon::GriddedCalibrationCurve& curve);

/// The measured age as reports write it: "2450 +- 30 14C years BP", with
/// "Delta R -50 +- 20" after it when an offset is given.
std::string c14_measured_text(const radiocarbon::C14Age& age);

/// The share of a calibrated date (a density from first_year) that lies
/// outside the years of `span`.
double share_outside(int first_year, const std::vector<double>& density, dating::YearSpan span);

/// The warning of a radiocarbon row whose calibrated date lies partly
/// outside the years of an event or a sequence ("" below
/// radiocarbon::BEYOND_SHARE_WARNED): "row NAME: 12.5% of its calibrated
/// date lies outside the event's years, 1 to 1900 AD".
std::string outside_warning(const std::string& row, double share, const std::string& whose,
                            dating::YearSpan span, dating::YearNotation notation);

}  // namespace date
