#include "driver/site_basis.hpp"

#include <cmath>

#include "cap/cap_basis.hpp"
#include "cap/cap_frame.hpp"
#include "cap/geodetic.hpp"
#include "driver/coefficients.hpp"
#include "driver/run.hpp"

namespace driver {

namespace {

struct SiteBasis {
  std::array<double, 9> degrees{};
  SiteGeometry geometry;
  BasisRows rows;
};

// Cap colatitude (degrees) below which a site counts as on the cap's pole.
constexpr double MIN_CAP_COLATITUDE = 1e-6;

SiteBasis& record() {
  static SiteBasis state;
  return state;
}

}  // namespace

std::array<double, 9>& cap_degree_table() { return record().degrees; }
const SiteGeometry& site_geometry() { return record().geometry; }
const BasisRows& basis_rows() { return record().rows; }

void reset_site_basis() { record() = {}; }

void compute_site_basis() {
  SiteGeometry& g = record().geometry;
  BasisRows& rows = record().rows;
  double unused_x = 0.0, unused_y = 0.0;

  cap::geodetic_to_geocentric(site().latitude, 0.0, 0.0, 0.0, g.geocentric_latitude, g.radius,
                              unused_x, unused_y);
  g.longitude = site().longitude;
  cap::geographic_to_cap(g.geocentric_latitude, g.longitude, 0.0, 0.0, g.cap_latitude,
                         g.cap_longitude, unused_x, unused_y);
  // The colatitude derivatives divide by the sine of the cap colatitude. A
  // site on the cap's pole itself (to within about 10 cm; the typed values
  // of the pole's geographic coordinates are nudged before this, but the
  // pole lies at 45 degrees geocentric latitude) is evaluated 0.001 degrees
  // east of it, as a site typed at the pole's coordinates is.
  if (90.0 - g.cap_latitude < MIN_CAP_COLATITUDE) {
    g.longitude += 0.001;
    cap::geographic_to_cap(g.geocentric_latitude, g.longitude, 0.0, 0.0, g.cap_latitude,
                           g.cap_longitude, unused_x, unused_y);
  }
  g.radius_ratio = REF_RADIUS / g.radius;
  g.cap_colatitude = 90.0 - g.cap_latitude;
  const double lambda = g.cap_longitude * DEG_TO_RAD;
  g.cos_lambda = std::cos(lambda);
  g.sin_lambda = std::sin(lambda);
  g.cos_2lambda = g.cos_lambda * g.cos_lambda - g.sin_lambda * g.sin_lambda;
  g.sin_2lambda = g.sin_lambda * g.cos_lambda + g.cos_lambda * g.sin_lambda;

  const double rho = g.radius_ratio;
  const double cos_m[] = {1.0, g.cos_lambda, g.cos_2lambda};
  const double sin_m[] = {0.0, g.sin_lambda, g.sin_2lambda};

  // The cap index 0 term has degree 0: a potential a rho, a purely radial
  // field.
  rows.down[0] = -(rho * rho);
  rows.north[0] = 0.0;
  rows.east[0] = 0.0;

  // Components of -grad V for V = a rho^(n+1) P cos(m lambda') (or sin):
  // north = (1/r) dV/dtheta, east = -(1/(r sin theta)) dV/dlambda,
  // down = dV/dr.
  std::size_t j = 1;
  for (int k = 1; k <= CAP_KMAX; ++k) {
    for (int m = 0; m <= k; ++m) {
      const double n =
          record().degrees[static_cast<std::size_t>(k) + 3 * static_cast<std::size_t>(m)];
      double P = 0.0, dP = 0.0, mP_over_sin = 0.0;
      cap::cap_basis_function(m, n, g.cap_colatitude, P, dP, mP_over_sin);
      const double f = std::pow(rho, n + 2.0);
      if (m == 0) {
        rows.down[j] = -(n + 1.0) * f * P;
        rows.north[j] = f * dP;
        rows.east[j] = 0.0;
        j += 1;
      } else {
        const double cm = cos_m[m], sm = sin_m[m];
        rows.down[j] = -(n + 1.0) * f * P * cm;
        rows.down[j + 1] = -(n + 1.0) * f * P * sm;
        rows.north[j] = f * dP * cm;
        rows.north[j + 1] = f * dP * sm;
        rows.east[j] = f * mP_over_sin * sm;
        rows.east[j + 1] = -f * mP_over_sin * cm;
        j += 2;
      }
    }
  }
}

EpochField evaluate_epoch(int i) {
  const BasisRows& rows = record().rows;
  EpochField e;
  e.year = 5.0 * (i - 1);
  const double U = scale(i);
  for (int j = 1; j <= N_BASIS; ++j) {
    const double c = coef(i, j);
    const auto b = static_cast<std::size_t>(j - 1);
    e.Xn += rows.north[b] * c;
    e.Yn += rows.east[b] * c;
    e.Zn += rows.down[b] * c;
  }
  e.F = U * std::sqrt(e.Xn * e.Xn + e.Yn * e.Yn + e.Zn * e.Zn);
  cap::components_from_cap(e.Xn, e.Yn, e.Xp, e.Yp);
  cap::components_to_geodetic(e.Xp, e.Zn, e.Xg, e.Zg);
  // Principal-value arctangent of the quotient on purpose: the quotient is
  // the same for the relative field and the physical one (minus the
  // relative field times the scale), and D stays within (-90, 90).
  e.D = std::atan(e.Yp / e.Xg) * 180.0 / PI15;
  // The relative field is minus the physical field over the scale, hence
  // the minus sign.
  e.I = -std::atan(e.Zg / std::sqrt(e.Yp * e.Yp + e.Xg * e.Xg)) * 180.0 / PI15;
  return e;
}

}  // namespace driver
