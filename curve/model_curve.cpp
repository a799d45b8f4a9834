#include "curve/model_curve.hpp"

#include <algorithm>

#include "console/fields.hpp"

namespace curve {

Curve curve_of_model(const model::SiteCurve& site_curve) {
  return curve_of_model(site_curve, site_curve.epochs.size());
}

Curve curve_of_model(const model::SiteCurve& site_curve, std::size_t epochs) {
  using console::fixed_field_value;
  Curve curve;
  curve.model = model::MODEL_NAME;
  // The site line: two fields of 15 characters with two decimals.
  curve.latitude = fixed_field_value(site_curve.latitude, 15, 2);
  curve.longitude = fixed_field_value(site_curve.longitude, 15, 2);
  const std::size_t n = std::min(epochs, site_curve.epochs.size());
  curve.points.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    const model::CurveValues& v = site_curve.epochs[k];
    CurvePoint point;
    point.year = v.year;
    // The fields of a curve line after the year: widths 10, 10, 10, 13,
    // 11 and 11, two decimals each.
    const double values[] = {v.declination,       v.inclination,       v.intensity,
                             v.declination_error, v.inclination_error, v.intensity_error};
    for (std::size_t q = 0; q < point.values.size(); ++q) {
      point.values[q] = fixed_field_value(values[q], CURVE_FIELD_WIDTHS[q + 1], 2);
    }
    curve.points.push_back(point);
  }
  return curve;
}

}  // namespace curve
