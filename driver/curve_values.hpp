// One line of a site's curve as numbers: what the epoch loop computes for
// each row of the coefficient table, before the curve file formats it.
#pragma once

namespace driver {

/// The field of one epoch at the site and its errors at 95% confidence.
struct CurveValues {
  double year = 0.0;               // years AD
  double declination = 0.0;        // D, degrees, east positive
  double inclination = 0.0;        // I, degrees, downward positive
  double intensity = 0.0;          // F, microtesla
  double declination_error = 0.0;  // degrees
  double inclination_error = 0.0;  // degrees
  double intensity_error = 0.0;    // microtesla
};

/// Evaluates row i (1 to 381) of the run's coefficient table at the site
/// whose basis rows and site factors were computed last: the field
/// (evaluate_epoch), then its errors (estimate_errors).
CurveValues curve_values(int i);

}  // namespace driver
