#include "driver/error_estimates.hpp"

#include <algorithm>
#include <cmath>

#include "driver/coefficients.hpp"
#include "driver/run.hpp"

namespace driver {

namespace {

SiteFactors& factors() {
  static SiteFactors record;
  return record;
}

}  // namespace

const SiteFactors& site_factors() { return factors(); }

void reset_site_factors() { factors() = {}; }

void compute_site_factors() {
  SiteFactors& s = factors();
  const SiteGeometry& g = site_geometry();

  // Spherical triangle geographic pole - cap pole - site: the sides are
  // the cap pole's colatitude, the site's geocentric colatitude and its
  // cap colatitude; psi is the angle at the site.
  const double theta_p = 45.0 * DEG_TO_RAD;
  const double theta_s = (90.0 - g.geocentric_latitude) * DEG_TO_RAD;
  const double theta_c = (90.0 - g.cap_latitude) * DEG_TO_RAD;
  const double cos_psi = (std::cos(theta_p) - std::cos(theta_c) * std::cos(theta_s)) /
                         (std::sin(theta_c) * std::sin(theta_s));
  // Rounding can push the cosine just past 1 for a site within about 1e-6
  // degrees of the cap pole's meridian; psi is then 0, not undefined.
  s.psi = std::acos(std::clamp(cos_psi, -1.0, 1.0));

  // The latitude difference by the closed ellipsoid formula, altitude 0.
  const double h = 0.0;
  const double phi = site().latitude * DEG_TO_RAD;
  const double c = std::cos(phi), sn = std::sin(phi);
  const double t1 = ELLIPSOID_A2 * c * c;
  const double t2 = ELLIPSOID_B2 * sn * sn;
  const double q = t1 + t2;
  const double w = std::sqrt(q);
  const double r = std::sqrt((ELLIPSOID_A2 * t1 + ELLIPSOID_B2 * t2) / q + (2.0 * w + h) * h);
  s.geodetic_cos = (h + w) / r;
  s.geodetic_sin = (ELLIPSOID_A2 - ELLIPSOID_B2) * sn * c / (r * w);
}

EpochErrors estimate_errors(int i, const EpochField& e) {
  const BasisRows& b = basis_rows();
  const SiteFactors& s = factors();
  const double U = scale(i);
  const double sigma_U = scale_error(i);

  // Variances of the relative field in the cap frame: from the errors of
  // the relative coefficients alone (for D and I), and from the combined
  // errors of the coefficients U c_j (for F).
  double vXs = 0.0, vYs = 0.0, vZs = 0.0, vXG = 0.0, vYG = 0.0, vZG = 0.0;
  for (int j = 1; j <= N_BASIS; ++j) {
    const double c = coef(i, j);
    const double sj = coef_error(i, j);
    const double G = std::sqrt(c * c * sigma_U * sigma_U + sj * sj * U * U);
    const auto k = static_cast<std::size_t>(j - 1);
    const double N2 = b.north[k] * b.north[k];
    const double Y2 = b.east[k] * b.east[k];
    const double Z2 = b.down[k] * b.down[k];
    vXs += N2 * sj * sj;
    vYs += Y2 * sj * sj;
    vZs += Z2 * sj * sj;
    vXG += N2 * G * G;
    vYG += Y2 * G * G;
    vZG += Z2 * G * G;
  }

  EpochErrors out;
  // Written without the horizontal variance's division by Xn^2 + Yn^2, so
  // that a purely vertical relative field keeps its well-defined error.
  out.eF = U * std::sqrt(e.Xn * e.Xn * vXG + e.Yn * e.Yn * vYG + e.Zn * e.Zn * vZG) / e.F;

  const double c2 = std::cos(s.psi) * std::cos(s.psi);
  const double s2 = std::sin(s.psi) * std::sin(s.psi);
  const double vXp = c2 * vXs + s2 * vYs;
  const double vYp = s2 * vXs + c2 * vYs;
  const double gc2 = s.geodetic_cos * s.geodetic_cos;
  const double gs2 = s.geodetic_sin * s.geodetic_sin;
  const double vXg = gc2 * vXp + gs2 * vZs;
  const double vZg = gs2 * vXp + gc2 * vZs;

  const double H2 = e.Yp * e.Yp + e.Xg * e.Xg;
  const double sigma_D = std::sqrt(e.Yp * e.Yp * vXg + e.Xg * e.Xg * vYp) / H2;
  out.eD = sigma_D * 180.0 / PI15;

  const double vH = (e.Xg * e.Xg * vXg + e.Yp * e.Yp * vYp) / H2;
  const double F2 = e.Zg * e.Zg + H2;
  const double sigma_I = std::sqrt(e.Zg * e.Zg * vH + H2 * vZg) / F2;
  out.eI = sigma_I * 180.0 / PI15;
  return out;
}

}  // namespace driver
