// Errors at 95% confidence of declination, inclination and intensity,
// propagated to first order from the error columns of the coefficient
// file, all errors taken as independent. The error columns are already at
// 95% confidence: no further factor is applied.
#pragma once

#include "driver/site_basis.hpp"

namespace driver {

/// Ellipsoid constants of the error propagation (km^2): the squares of the
/// semi-major axis 6378.137 and of the semi-minor axis 6356.7523141.
inline constexpr double ELLIPSOID_A2 = 40680631.59076899;
inline constexpr double ELLIPSOID_B2 = 40408299.982815705;

/// Factors of the site that rotate variances between the frames.
struct SiteFactors {
  double psi = 0.0;  // angle at the site between geographic north and the cap pole (radians)
  double geodetic_cos = 0.0;  // cosine of the latitude difference (geodetic minus geocentric)
  double geodetic_sin = 0.0;  // its sine
};

const SiteFactors& site_factors();

/// Computes the site factors from the working site and its geometry.
void compute_site_factors();

struct EpochErrors {
  double eD = 0.0;  // error of the declination, degrees
  double eI = 0.0;  // error of the inclination, degrees
  double eF = 0.0;  // error of the intensity, microtesla
};

/// The errors of row i (1 to 381), whose field evaluate_epoch gave.
EpochErrors estimate_errors(int i, const EpochField& field);

/// For tests.
void reset_site_factors();

}  // namespace driver
