// The model's curve at a site, evaluated in the process, as a curve file
// of the main program for that site would hold it.
#pragma once

#include "curve/curve_reader.hpp"
#include "model/model.hpp"

namespace curve {

/// The curve that reading the main program's curve file of the site would
/// give, to the bit: the model's name, the site and every value as their
/// fields show them (two decimals, rounded from the exact binary value,
/// ties to even), a value too wide for its field a gap (NaN).
Curve curve_of_model(const model::SiteCurve& site_curve);

/// The same for the curve's first `epochs` epochs only (for a curve that
/// ends early).
Curve curve_of_model(const model::SiteCurve& site_curve, std::size_t epochs);

}  // namespace curve
