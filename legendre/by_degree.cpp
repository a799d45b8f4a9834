#include "legendre/by_degree.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

#include "legendre/angle_factors.hpp"
#include "legendre/entries.hpp"
#include "legendre/extended_range.hpp"

namespace legendre {

namespace {

// B_2j / (2j), the Bernoulli numbers over their index, as numerator and
// denominator: the coefficients of 1/a^(2j) in the asymptotic series of
// psi(a) - ln a + 1/(2a).
constexpr std::array<double, 12> DIGAMMA_NUMERATORS = {
    1.0, -1.0, 1.0, -1.0, 1.0, -691.0, 1.0, -3617.0, 43867.0, -174611.0, 77683.0, -236364091.0};
constexpr std::array<double, 12> DIGAMMA_DENOMINATORS = {
    12.0, 120.0, 252.0, 240.0, 132.0, 32760.0, 12.0, 8160.0, 14364.0, 6600.0, 276.0, 65520.0};

// tan^mu(theta/2) / mu! * F(-nu, nu + 1; mu + 1; y) with y = sin^2(theta/2),
// which is P^(-mu)_nu(cos theta). The series has no tolerance test: it ends
// at an exactly zero term (whole nu) or after mantissa_bits - 1 terms past
// the leading 1; with y <= 1/2 that is beyond the precision of a double.
// t = tan(theta/2) is a pair: at tiny angles its index carries the power of
// 2 that would take the products below the normal doubles.
ExtendedReal p_series(double nu, std::int32_t mu, double y, const ExtendedReal& t,
                      const ExtendedReal& mu_factorial, int mantissa_bits) {
  double s = 1.0;
  std::int32_t is = 0;
  double a = 1.0;
  std::int32_t ia = 0;
  for (int i = 2; i <= mantissa_bits; ++i) {
    const double denominator = static_cast<double>((i - 1 + std::int64_t{mu}) * (i - 1));
    a = a * (i - 1 + nu) * (i - 2 - nu) * y / denominator;
    XDADJ(a, ia);
    if (a == 0.0) break;
    extended_add(s, is, a, ia, s, is);
  }
  if (mu > 0) {
    for (std::int32_t i = 0; i < mu; ++i) {
      s *= t.x;
      is = is + t.ix;  // within KMAX + 1075 < 2^31
      XDADJ(s, is);
    }
    s = s / mu_factorial.x;
    // Both indices lie within KMAX < 2^30, so the difference fits.
    is = is - mu_factorial.ix;
    XDADJ(s, is);
  }
  return {s, is};
}

// A series value, and the same less a part that does not depend on the
// degree: the differences of the values at two degrees, which start the
// recurrence in degree in its difference form, are taken from the second,
// so that the common part cancels exactly instead of after rounding.
struct SeriesValue {
  ExtendedReal value;
  ExtendedReal varying;
};

// Q^(mu)_nu(cos theta) for mu = 0 or 1 by its series in y = sin^2(theta/2)
// with the logarithmic part ln cot(theta/2) and the psi function; all
// mantissa_bits terms are summed. t = tan(theta/2) and s1 = 1/sin(theta)
// are pairs, with index 0 except at tiny angles. The varying part leaves
// out ln cot(theta/2) times the leading 1 of the series for order 0, and
// the term -1/sin(theta) for order 1; at small angles these are nearly all
// of the value.
SeriesValue q_series(double nu, std::int32_t mu, double y, const ExtendedReal& t,
                     const ExtendedReal& s1, int K, int KK, int mantissa_bits) {
  // ln cot(theta/2) = -ln t; from the pair only where t as a double would
  // be subnormal, and so lose digits (THETA below 2^-1021).
  const double plain_t = std::ldexp(t.x, t.ix);
  const double c = plain_t >= std::numeric_limits<double>::min()
                       ? -std::log(plain_t)
                       : -(std::log(t.x) + t.ix * std::numbers::ln2);
  const double p = digamma(nu + 1.0, K, KK);
  double s = 0.0;
  std::int32_t is = 0;
  double a = 1.0;
  std::int32_t ia = 0;
  ExtendedReal varying;  // order 0: the sum without c in its first term
  for (int i = 1; i <= mantissa_bits; ++i) {
    if (i > 1) {
      const double denominator = static_cast<double>((i - 1) * (i - 1 + std::int64_t{mu}));
      a = a * (i - 2 - nu) * (i - 1 + nu) * y / denominator;
      XDADJ(a, ia);
    }
    const double d = digamma(i, K, KK);
    const double term = mu < 1
                            ? (d - p + c) * a
                            : (nu * (nu + 1) * (c - p + d) + (nu - i + 1) * (i + nu) / (2 * i)) * a;
    extended_add(s, is, term, ia, s, is);
    if (mu < 1) {
      const double part = i > 1 ? term : d - p;  // the first a is exactly 1
      extended_add(varying.x, varying.ix, part, ia, varying.x, varying.ix);
    }
  }
  if (mu >= 1) {
    s = -(t.x * s);
    if (t.ix != 0) {
      is = is + t.ix;
      XDADJ(s, is);
    }
    varying = {s, is};
    extended_add(s, is, -s1.x, s1.ix, s, is);
  }
  return {{s, is}, varying};
}

// Q has a pole at the degree -1. From a start degree nu0 closer to it than
// this, the first step of the recurrence in degree (to nu0 + 2, next to 1)
// is unsound: for order 0 the value at nu0, of size 1/(nu0 + 1), meets the
// coefficient nu - 1 = nu0 + 1, which the rounding of nu to a double
// spoils; for order 1 the divisor is that same nu - 1, and the step divides
// a difference of two nearly equal values by it (by 0 once nu rounds to 1).
// Either loses about -log2(nu0 + 1) bits.
constexpr double NEAR_POLE = 0x1p-20;

}  // namespace

double digamma(double a, int K, int KK) {
  // Shift the argument up by n to v = a + n >= about KK.
  const double shift = KK - std::trunc(a);
  const int n = shift > 0.0 ? static_cast<int>(shift) : 0;
  const double v = a + n;

  double S = 0.0;
  for (int j = K - 1; j >= 1; --j) {
    S = (S + DIGAMMA_NUMERATORS[std::size_t(j - 1)] / DIGAMMA_DENOMINATORS[std::size_t(j - 1)]) /
        std::pow(v, 2.0);
  }
  double psi = std::log(v) - 0.5 / v - S;
  if (n > 0) {
    // psi(a) = psi(a + n) - sum of 1/(a + n - i), largest denominator first.
    // The whole number n - i is formed first: (a + n) - i would round a to
    // the ulp of a + n, and the last term, 1/a, would lose the digits of a
    // small a (near the degree -1 of Q, where psi has its pole).
    double T = 0.0;
    for (int i = 1; i <= n; ++i) T += 1.0 / (a + (n - i));
    psi = psi - T;
  }
  return psi;
}

void legendre_by_degree(double DNU1, double top_degree, std::int32_t& order, double THETA,
                        std::int32_t ID, std::span<double> VALUES,
                        std::span<std::int32_t> INDICES) {
  const int mantissa_bits = extended_range_parameters().mantissa_bits;

  // Start degree: DNU1 less a whole number, in (-1.5, -0.5] for P and in
  // (-1, 0.5) for Q. fmod keeps the sign of DNU1.
  double f = std::fmod(DNU1, 1.0);
  if (f >= 0.5) f = f - 1.0;
  if (ID != 2 && f > -0.5) f = f - 1.0;
  double nu = f;

  std::int32_t mu = order;
  ExtendedReal mu_factorial{1.0, 0};
  for (std::int32_t i = 1; i <= mu; ++i) {
    mu_factorial.x = i * mu_factorial.x;
    XDADJ(mu_factorial.x, mu_factorial.ix);
  }

  const double x = std::cos(THETA);
  const double y = half_angle_sine_squared(THETA);
  const ExtendedReal t = half_angle_tangent(THETA);
  const ExtendedReal s1 = reciprocal_sine(THETA);
  const int K = mantissa_bits / 10 + 1;
  const int KK = 5 * K;
  const std::int32_t series_order = mu;
  const auto series = [&](double degree) -> SeriesValue {
    if (ID != 2) {
      const ExtendedReal value = p_series(degree, series_order, y, t, mu_factorial, mantissa_bits);
      return {value, value};
    }
    return q_series(degree, series_order, y, t, s1, K, KK, mantissa_bits);
  };
  // The difference of two series values, from their varying parts.
  const auto difference_of = [](const SeriesValue& upper, const SeriesValue& lower) {
    ExtendedReal d;
    extended_add(upper.varying.x, upper.varying.ix, -lower.varying.x, lower.varying.ix, d.x, d.ix);
    return d;
  };
  const bool by_difference = THETA < DIFFERENCE_FORM_ANGLE;

  // The values at the two lowest degrees of the class, nu0 and nu0 + 1.
  // Beside the pole of Q the series gives nu0 + 2 as well, and the
  // recurrence starts from nu0 + 1 and nu0 + 2.
  bool next_from_series = ID == 2 && nu + 1.0 < NEAR_POLE;
  const SeriesValue first = series(nu);
  nu = nu + 1.0;
  const SeriesValue second = series(nu);
  ExtendedReal previous = first.value;
  ExtendedReal current = second.value;
  ExtendedReal difference = difference_of(second, first);  // current - previous
  if (ID == 2) {
    // Q^(mu) recurs in degree like P^(-mu) with mu negated.
    order = -order;
    mu = -mu;
  }
  nu = nu + 1.0;  // the next degree to compute

  // The comparisons with half-integer offsets make the stores land on the
  // degrees DNU1, DNU1 + 1, ..., top_degree in spite of rounding in nu.
  // The end of the spans ends the run as well.
  const std::int64_t capacity = entry_capacity(VALUES, INDICES);
  std::int64_t k = 0;
  if (nu - 1.5 >= DNU1) {
    if (capacity == 0) return;
    k = 1;
    write_entry(VALUES, INDICES, k, previous);
    if (top_degree + 1.5 < nu) return;
  }
  for (;;) {
    const ExtendedReal kept = current;
    if (DNU1 + 0.5 <= nu) {
      if (k >= capacity) return;
      ++k;
      write_entry(VALUES, INDICES, k, current);
      if (top_degree + 0.5 < nu) return;
    }
    if (next_from_series) {
      const SeriesValue next = series(nu);
      difference = difference_of(next, second);
      current = next.value;
      next_from_series = false;
    } else if (by_difference) {
      // With D_nu = P_nu - P_(nu-1) and x = 1 - 2y the recurrence below is
      //   (nu + mu) D_nu = (nu - 1 - mu) D_(nu-1) - 2 (2 nu - 1) y P_(nu-1),
      // then P_nu = P_(nu-1) + D_nu. It sees the angle through y, which
      // holds it to full relative precision however small; x = cos(THETA)
      // holds it only in its last bits there, and every rounding of x or
      // of a step would act as an angle error of about 2^-53 / THETA^2.
      const double u = (nu - 1.0 - mu) / (mu + nu) * difference.x;
      const double w = 2.0 * (2.0 * nu - 1.0) / (mu + nu) * y * current.x;
      extended_add(u, difference.ix, -w, current.ix, difference.x, difference.ix);
      XDADJ(difference.x, difference.ix);
      extended_add(current.x, current.ix, difference.x, difference.ix, current.x, current.ix);
      XDADJ(current.x, current.ix);
    } else {
      // (nu + mu) P_nu = (2 nu - 1) x P_(nu-1) - (nu - 1 - mu) P_(nu-2)
      const double u = (2.0 * nu - 1.0) / (mu + nu) * x * current.x;
      const double w = (nu - 1.0 - mu) / (mu + nu) * previous.x;
      extended_add(u, current.ix, -w, previous.ix, current.x, current.ix);
      XDADJ(current.x, current.ix);
    }
    nu = nu + 1.0;
    previous = kept;
  }
}

}  // namespace legendre
