#include "legendre/by_order.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "legendre/angle_factors.hpp"
#include "legendre/by_degree.hpp"
#include "legendre/entries.hpp"
#include "legendre/extended_range.hpp"

namespace legendre {

namespace {

// Gamma(nu + mu + 1) / Gamma(nu - mu + 1) as the product of the 2 mu
// factors (mu - nu - i), whose signs cancel in pairs.
ExtendedReal gamma_ratio(double nu, std::int64_t mu) {
  ExtendedReal r{1.0, 0};
  for (std::int64_t i = 1; i <= 2 * mu; ++i) {
    r.x = (mu - nu - i) * r.x;
    XDADJ(r.x, r.ix);
  }
  return r;
}

// Below this the divisor nu - mu + 1 of the step of the gamma ratio to the
// next degree is tiny: the ratio at nu holds the same factor, but as an
// earlier degree's (mu - nu - i), which differs from this one by the
// rounding of the degrees; divided by a tiny divisor, that difference
// ruins the ratio at every later degree (and a zero divisor makes it
// infinite). A run of degrees meets it at most once, at the degree beside
// mu - 1, when DNU1 lies within about 2^-20 of a whole number.
constexpr double TINY_DIVISOR = 0x1p-20;

// The number of entries a conversion may touch: its own count, never more
// than the arrays hold.
std::int64_t within_arrays(std::int64_t count, std::span<double> VALUES,
                           std::span<std::int32_t> INDICES) {
  return std::min(count, entry_capacity(VALUES, INDICES));
}

}  // namespace

void legendre_p_by_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                         double THETA, double x, double s, std::int32_t ID,
                         std::span<double> VALUES, std::span<std::int32_t> INDICES) {
  const double nu = DNU1;
  std::int32_t order = MU2;
  legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);
  const ExtendedReal highest{VALUES[0], INDICES[0]};
  order = MU2 - 1;
  legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);

  const std::int64_t n = std::int64_t{MU2} - MU1 + 1;
  write_entry(VALUES, INDICES, n, highest);
  write_entry(VALUES, INDICES, n - 1, read_entry(VALUES, INDICES, 1));
  if (n == 2) return;

  // Entry e holds the order MU1 + e - 1; each step makes the order mu - 1
  // from the orders mu and mu + 1 above it.
  std::int64_t mu = std::int64_t{MU2} - 1;
  for (std::int64_t e = n - 2; e >= 1; --e) {
    const ExtendedReal order_mu = read_entry(VALUES, INDICES, e + 1);
    const ExtendedReal order_above = read_entry(VALUES, INDICES, e + 2);
    const ExtendedReal u = times_reciprocal_sine(2.0 * mu * x, s, THETA, order_mu);
    const double w = -(nu + mu + 1) * (nu - mu) * order_above.x;
    ExtendedReal next;
    extended_add(u.x, u.ix, w, order_above.ix, next.x, next.ix);
    XDADJ(next.x, next.ix);
    write_entry(VALUES, INDICES, e, next);
    mu = mu - 1;
  }
}

void legendre_positive_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                             std::span<double> VALUES, std::span<std::int32_t> INDICES) {
  double nu = DNU1;
  std::int64_t mu = MU1;
  const bool run_of_degrees = top_degree - DNU1 > 0.5;
  // 0.1 as the single-precision constant it has always been, widened.
  const double margin = double(0.1f);
  const std::int64_t L =
      within_arrays(static_cast<std::int64_t>(std::trunc(top_degree - DNU1 + margin)) +
                        (std::int64_t{MU2} - MU1) + 1,
                    VALUES, INDICES);
  std::int64_t j = 1;

  // At a whole degree nu, P^(mu)_nu vanishes for the orders above it. The
  // degree -1 counts as the degree 0 (P_(-1-nu) = P_nu), so P^(0)_(-1) = 1
  // is kept and only the orders from 1 up vanish there.
  if (std::fmod(nu, 1.0) == 0.0) {
    while (nu + 1 <= MU1 && -nu <= MU1) {
      write_entry(VALUES, INDICES, j, {0.0, 0});
      j = j + 1;
      if (j > L) return;
      if (run_of_degrees) nu = nu + 1;
    }
  }

  ExtendedReal r = gamma_ratio(nu, mu);

  for (std::int64_t e = j; e <= L; ++e) {
    if (mu != 0) {
      const double sign = mu % 2 == 0 ? 1.0 : -1.0;
      ExtendedReal value = read_entry(VALUES, INDICES, e);
      value.x = sign * value.x * r.x;
      // Both indices lie within KMAX < 2^30, so the sum fits.
      value.ix = value.ix + r.ix;
      XDADJ(value.x, value.ix);
      write_entry(VALUES, INDICES, e, value);
    }
    if (!run_of_degrees) {
      // times (nu + mu + 1)(nu - mu); exactly 0 once mu reaches a whole nu
      r.x = (-mu - nu - 1) * (mu - nu) * r.x;
      XDADJ(r.x, r.ix);
      mu = mu + 1;
    } else {
      // times (nu + mu + 1)/(nu - mu + 1). Order 0 keeps the factor 1 (and
      // at nu = -1 the ratio would be 0/0). Beside the zero of the divisor
      // the ratio is formed afresh at the next degree, where none of its
      // factors is small.
      if (mu != 0) {
        const double divisor = mu - nu - 1;
        if (std::fabs(divisor) < TINY_DIVISOR) {
          r = gamma_ratio(nu + 1, mu);
        } else {
          r.x = (-mu - nu - 1) * r.x / divisor;
          XDADJ(r.x, r.ix);
        }
      }
      nu = nu + 1;
    }
  }
}

void legendre_normalise(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                        std::span<double> VALUES, std::span<std::int32_t> INDICES) {
  double nu = DNU1;
  std::int64_t mu = MU1;
  const bool run_of_degrees = top_degree - DNU1 > 0.5;
  const std::int64_t L = within_arrays(
      static_cast<std::int64_t>(std::trunc(top_degree - DNU1 + 1.5 + (std::int64_t{MU2} - MU1))),
      VALUES, INDICES);
  std::int64_t j = 1;

  // Orders above the (whole) degree give 0.
  while (nu < mu) {
    write_entry(VALUES, INDICES, j, {0.0, 0});
    j = j + 1;
    if (j > L) return;
    if (run_of_degrees) {
      nu = nu + 1;
    } else {
      mu = mu + 1;
    }
  }

  // sqrt(Gamma(nu + mu + 1) / Gamma(nu - mu + 1)) as a product of 2 mu roots.
  ExtendedReal r{1.0, 0};
  for (std::int64_t i = 1; i <= 2 * mu; ++i) {
    r.x = std::sqrt(nu + mu + 1 - i) * r.x;
    XDADJ(r.x, r.ix);
  }

  for (std::int64_t e = j; e <= L; ++e) {
    // sqrt(nu + 1/2) r is rescaled before it meets the entry: the product
    // of two adjusted mantissas may lie near 2^1022 already.
    ExtendedReal factor{std::sqrt(nu + 0.5) * r.x, r.ix};
    XDADJ(factor.x, factor.ix);
    ExtendedReal value = read_entry(VALUES, INDICES, e);
    value.x = factor.x * value.x;
    value.ix = value.ix + factor.ix;  // both within KMAX + 2L < 2^30 + 2^11
    XDADJ(value.x, value.ix);
    write_entry(VALUES, INDICES, e, value);
    if (!run_of_degrees) {
      if (nu > mu) {
        r.x = std::sqrt(nu + mu + 1) * std::sqrt(nu - mu) * r.x;
        XDADJ(r.x, r.ix);
      } else {
        // The next order exceeds the degree.
        r.x = 0.0;
        r.ix = 0;
      }
      mu = mu + 1;
    } else {
      r.x = std::sqrt(nu + mu + 1) * r.x;
      if (nu - mu + 1 != 0) r.x = r.x / std::sqrt(nu - mu + 1);
      XDADJ(r.x, r.ix);
      nu = nu + 1;
    }
  }
}

}  // namespace legendre
