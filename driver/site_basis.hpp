// The model at the site: the nine spatial basis functions evaluated once,
// and each epoch's field as a weighted sum of them.
#pragma once

#include <array>

#include "driver/constants.hpp"

namespace driver {

/// The site in the frames of the computation; computed once per run.
struct SiteGeometry {
  double geocentric_latitude = 0.0;             // degrees
  double radius = 0.0;                          // geocentric radius r, km
  double longitude = 0.0;                       // where the basis is evaluated: the site's, or just
                                                // beside it for a site on the cap's pole (degrees)
  double cap_latitude = 0.0;                    // degrees
  double cap_longitude = 0.0;                   // lambda', degrees, in [-180, 180)
  double cap_colatitude = 0.0;                  // theta' = 90 - cap latitude, degrees
  double radius_ratio = 0.0;                    // rho = a / r
  double cos_lambda = 0.0, sin_lambda = 0.0;    // of lambda'
  double cos_2lambda = 0.0, sin_2lambda = 0.0;  // of 2 lambda'
};

/// North, east and down components, in the cap frame at the site, of each
/// basis function per unit coefficient (dimensionless), in the order of
/// the coefficient file's columns: (k, m) = (0, 0); (1, 0); (1, 1) cos,
/// sin; (2, 0); (2, 1) cos, sin; (2, 2) cos, sin.
struct BasisRows {
  std::array<double, N_BASIS> north{}, east{}, down{};
};

/// The degrees n_k(m) of the cap's basis functions, element (k, m) at
/// k + 3 m; filled at the start of the run.
std::array<double, 9>& cap_degree_table();

const SiteGeometry& site_geometry();
const BasisRows& basis_rows();

/// Converts the working site into the cap frame and evaluates the basis
/// functions there. Leaves the latitude difference of the site and the
/// frame rotation angle set for the rotations of evaluate_epoch.
void compute_site_basis();

/// The field of one epoch and its forms on the way to the site's frame.
struct EpochField {
  double year = 0.0;                    // years AD
  double Xn = 0.0, Yn = 0.0, Zn = 0.0;  // relative field, cap frame (north, east, down)
  double Xp = 0.0, Yp = 0.0;            // X', Y': rotated into the geographic frame
  double Xg = 0.0, Zg = 0.0;            // geodetic north and down; the east component is Y'
  double D = 0.0;                       // declination, degrees
  double I = 0.0;                       // inclination, degrees
  double F = 0.0;                       // intensity, microtesla
};

/// Evaluates row i (1 to 381) of the coefficient table at the site.
EpochField evaluate_epoch(int i);

/// For tests: forgets the site's geometry and basis.
void reset_site_basis();

}  // namespace driver
