#include "date/radiocarbon_rows.hpp"

#include <filesystem>

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace date {

radiocarbon::C14Age c14_age(const C14Input& input) {
  if (!input.age || !input.sigma) {
    const bool age = input.age.has_value();
    throw dating::MeasurementError(age ? "c14_age" : (input.sigma ? "c14_sigma" : ""),
                                   age           ? "a 14C age needs its sigma, c14_sigma"
                                   : input.sigma ? "a sigma needs its 14C age, c14_age"
                                                 : "a curve or a Delta R needs a 14C age, c14_age "
                                                   "and c14_sigma");
  }
  if (input.delta_r.has_value() != input.delta_r_sigma.has_value()) {
    throw dating::MeasurementError(input.delta_r ? "delta_r" : "delta_r_sigma",
                                   input.delta_r ? "a Delta R needs its sigma, delta_r_sigma"
                                                 : "a Delta R sigma needs its Delta R, delta_r");
  }
  return {*input.age, *input.sigma, input.delta_r.value_or(0.0), input.delta_r_sigma.value_or(0.0)};
}

std::shared_ptr<const radiocarbon::GriddedCalibrationCurve> C14Curves::get(
    const std::string& name) {
  const std::string key = name.empty() ? DEFAULT_C14_CURVE : name;
  auto& curve = curves_[key];
  if (curve) return curve;
  if (!radiocarbon::catalogue_entry(key) && !std::filesystem::exists(key)) {
    std::string names;
    for (const radiocarbon::CatalogueEntry& entry : radiocarbon::catalogue()) {
      names += (names.empty() ? "" : ", ") + entry.key;
    }
    throw radiocarbon::CurveFileError("no calibration curve " + console::quoted_text(key) +
                                      ": neither a bundled curve (" + names + ") nor a file");
  }
  const radiocarbon::CalibrationCurve read = radiocarbon::load_curve(key);
  try {
    curve =
        std::make_shared<const radiocarbon::GriddedCalibrationCurve>(radiocarbon::grid_curve(read));
  } catch (const std::invalid_argument& e) {
    curves_.erase(key);
    throw radiocarbon::CurveFileError(read.name + ": " + e.what());
  }
  return curve;
}

std::string c14_curve_text(const radiocarbon::GriddedCalibrationCurve& curve) {
  return curve.citation.empty() ? curve.name : curve.name + " (" + curve.citation + ")";
}

std::string c14_measured_text(const radiocarbon::C14Age& age) {
  std::string text = console::shortest_text(age.age) + " +- " + console::shortest_text(age.sigma) +
                     " 14C years BP";
  if (age.delta_r != 0.0 || age.delta_r_sigma != 0.0) {
    text += ", Delta R " + console::shortest_text(age.delta_r) + " +- " +
            console::shortest_text(age.delta_r_sigma);
  }
  return text;
}

double share_outside(int first_year, const std::vector<double>& density, dating::YearSpan span) {
  double outside = 0.0;
  for (std::size_t k = 0; k < density.size(); ++k) {
    const long long year = static_cast<long long>(first_year) + static_cast<long long>(k);
    if (year < span.first_year || year > span.last_year) outside += density[k];
  }
  return outside;
}

std::string outside_warning(const std::string& row, double share, const std::string& whose,
                            dating::YearSpan span, dating::YearNotation notation) {
  if (share < radiocarbon::BEYOND_SHARE_WARNED) return "";
  return "row " + console::shown_text(row) + ": " + dating::percent_text(share) +
         " of its calibrated date lies outside " + whose + " years, " +
         dating::span_text(span.first_year, span.last_year, notation);
}

}  // namespace date
