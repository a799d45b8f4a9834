#include "cap/cap_basis.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "console/records.hpp"
#include "legendre/xdlegf.hpp"

namespace cap {

namespace {

// Lanczos' series for gamma = 5 with six terms, in the published digits.
constexpr double LANCZOS_START = 1.000000000190015;
constexpr std::array<double, 6> LANCZOS_COEFFICIENTS = {
    76.18009172947146,  -86.50532032941677,   24.01409824083091,
    -1.231739572450155, 0.001208650973866179, -0.000005395239384953};
constexpr double SQRT_TWO_PI = 2.5066282746310005;

// P of degree n and order m from the Legendre value V of request form 3:
// (-1)^m times Schmidt's factor, which removes the sign of the
// Condon-Shortley convention and normalises.
double schmidt_normalised(std::int32_t m, double n, double V) {
  if (m == 0) return V;
  double log_factor;
  double factor;
  schmidt_factor(n, m, log_factor, factor);
  const double sign = m % 2 == 0 ? 1.0 : -1.0;
  return sign * factor * V;
}

}  // namespace

void load_cap_degrees(std::span<double, 9> degrees) {
  std::copy(CAP_DEGREES.begin(), CAP_DEGREES.end(), degrees.begin());
}

void cap_basis_function(std::int32_t m, double n, double theta, double& P, double& dP_dtheta,
                        double& m_P_over_sin) {
  // This routine takes pi from the arccosine, not from DEG_TO_RAD.
  const double pi = std::acos(-1.0);
  const double theta_rad = pi * theta / 180.0;

  double V_n;
  cap_legendre(n, m, theta_rad, V_n);
  const double P_n = schmidt_normalised(m, n, V_n);
  P = P_n;

  double V_n_minus_1;
  cap_legendre(n - 1.0, m, theta_rad, V_n_minus_1);
  const double P_n_minus_1 = schmidt_normalised(m, n - 1.0, V_n_minus_1);

  // sin(theta) dP_n/dtheta = n cos(theta) P_n - sqrt(n^2 - m^2) P_(n-1),
  // which holds for Schmidt's functions at real degree.
  const double q = m > 0 ? std::sqrt(n * n - double(m) * double(m)) : n;
  const double sin_theta = std::sin(theta_rad);
  dP_dtheta = (n * std::cos(theta_rad) * P_n - q * P_n_minus_1) / sin_theta;
  m_P_over_sin = m * P_n / sin_theta;
}

void cap_legendre(double degree, std::int32_t order, double colatitude, double& value) {
  std::array<double, 1> VALUES{};
  std::array<std::int32_t, 1> INDICES{};
  legendre::XDLEGF(degree, 0, order, order, colatitude, 3, VALUES, INDICES);
  if (INDICES[0] != 0) console::write_record("WARNING:TROUBLES IN COMPUTATION!");
  // The mantissa goes on alone, whatever its power of 2.
  value = VALUES[0];
}

void schmidt_factor(double n, std::int32_t m, double& log_factor, double& factor) {
  const double ln2 = std::log(2.0);
  const double a = m + 1;
  const double b = 1 - m;
  const double g1 = log_gamma(n + a);  // ln Gamma(n + m + 1)
  const double g2 = log_gamma(n + b);  // ln Gamma(n - m + 1)
  log_factor = (-g1 + g2 + ln2) * 0.5;
  factor = std::exp(log_factor);
}

double log_gamma(double x) {
  double t = x + 5.5;
  t = (x + 0.5) * std::log(t) - t;
  double s = LANCZOS_START;
  double y = x;
  for (const double c : LANCZOS_COEFFICIENTS) {
    y = y + 1.0;
    s = s + c / y;
  }
  return t + std::log(SQRT_TWO_PI * s / x);
}

}  // namespace cap
