#include "legendre/q_functions.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "legendre/angle_factors.hpp"
#include "legendre/by_degree.hpp"
#include "legendre/entries.hpp"
#include "legendre/extended_range.hpp"

namespace legendre {

namespace {

// One step of the forward recurrence in order at the degree nu: from
// lower = Q^(mu-1) and upper = Q^(mu) makes Q^(mu+1), which becomes the new
// upper value, the old one the new lower value; mu goes up by 1. THETA
// gives the factor s = 1/sin(THETA) as a pair where the plain one would
// take the term past the double range.
void step_in_order(double nu, std::int64_t& mu, double THETA, double x, double s,
                   ExtendedReal& lower, ExtendedReal& upper) {
  const ExtendedReal u = times_reciprocal_sine(-2.0 * mu * x, s, THETA, upper);
  const double w = (nu - mu + 1) * (mu + nu) * lower.x;
  ExtendedReal next;
  extended_add(u.x, u.ix, -w, lower.ix, next.x, next.ix);
  XDADJ(next.x, next.ix);
  lower = upper;
  upper = next;
  mu = mu + 1;
}

}  // namespace

void legendre_q_by_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                         double THETA, double x, double s, std::int32_t ID,
                         std::span<double> VALUES, std::span<std::int32_t> INDICES) {
  const double nu = DNU1;
  // legendre_by_degree negates the order it is given for Q: a scratch
  // variable, set before each call.
  std::int32_t order = 0;
  legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);
  ExtendedReal lower = read_entry(VALUES, INDICES, 1);
  order = 1;
  legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);
  ExtendedReal upper = read_entry(VALUES, INDICES, 1);
  std::int64_t mu = 1;

  std::int64_t k = 0;
  if (MU1 <= 0) {
    k = 1;
    write_entry(VALUES, INDICES, k, lower);
  }
  if (MU1 <= 1) {
    k = k + 1;
    write_entry(VALUES, INDICES, k, upper);
    if (MU2 <= 1) return;
  }
  for (;;) {
    step_in_order(nu, mu, THETA, x, s, lower, upper);
    if (mu >= MU1) {
      k = k + 1;
      write_entry(VALUES, INDICES, k, upper);
      if (mu >= MU2) return;
    }
  }
}

void legendre_q_by_degree(double DNU1, double top_degree, std::int32_t MU1, double THETA, double x,
                          double s, std::int32_t ID, std::span<double> VALUES,
                          std::span<std::int32_t> INDICES) {
  const std::int64_t n = std::min(static_cast<std::int64_t>(std::trunc(top_degree - DNU1 + 1.5)),
                                  entry_capacity(VALUES, INDICES));
  if (n < 1) return;

  // Q^(0) and Q^(1) at the top degree and the one below it.
  ExtendedReal order0_top;
  ExtendedReal order0_below;
  std::int32_t order = 0;  // scratch: legendre_by_degree negates it for Q
  if (MU1 != 1) {
    legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);
    if (MU1 == 0) return;
    order0_top = read_entry(VALUES, INDICES, n);
    if (n >= 2) order0_below = read_entry(VALUES, INDICES, n - 1);
  }
  order = 1;
  legendre_by_degree(DNU1, top_degree, order, THETA, ID, VALUES, INDICES);
  if (MU1 == 1) return;
  const ExtendedReal order1_top = read_entry(VALUES, INDICES, n);
  ExtendedReal order1_below;
  if (n >= 2) order1_below = read_entry(VALUES, INDICES, n - 1);

  // The order MU1 at the top degree, and at the degree below it.
  std::int64_t mu = 1;
  ExtendedReal lower = order0_top;
  ExtendedReal upper = order1_top;
  while (mu < MU1) step_in_order(top_degree, mu, THETA, x, s, lower, upper);
  write_entry(VALUES, INDICES, n, upper);
  if (n == 1) return;

  mu = 1;
  lower = order0_below;
  upper = order1_below;
  while (mu < MU1) step_in_order(top_degree - 1.0, mu, THETA, x, s, lower, upper);
  write_entry(VALUES, INDICES, n - 1, upper);
  if (n == 2) return;

  // Down in degree at the order MU1, from c at the degree nu and d at nu + 1.
  // The entry counter, not a comparison of degrees, ends the run: nu,
  // stepped down from the top degree, may stay a rounding error above
  // DNU1 after the last step.
  mu = MU1;
  ExtendedReal c = read_entry(VALUES, INDICES, n - 1);
  ExtendedReal d = read_entry(VALUES, INDICES, n);
  double nu = top_degree - 1.0;
  if (THETA < DIFFERENCE_FORM_ANGLE) {
    // The same recurrence in the differences D_nu = Q_nu - Q_(nu-1), with
    // x = 1 - 2y, y = sin^2(THETA/2):
    //   (nu + mu) D_nu = (nu - mu + 1) D_(nu+1) + 2 (2 nu + 1) y Q_nu,
    // then Q_(nu-1) = Q_nu - D_nu; it carries the angle through y, which
    // keeps it to full relative precision at small angles.
    const double y = half_angle_sine_squared(THETA);
    ExtendedReal difference;  // d - c
    extended_add(d.x, d.ix, -c.x, c.ix, difference.x, difference.ix);
    for (std::int64_t e = n - 1; e > 1; --e) {
      const double u = (nu - mu + 1) / (mu + nu) * difference.x;
      const double w = 2 * (2 * nu + 1) / (mu + nu) * y * c.x;
      extended_add(u, difference.ix, w, c.ix, difference.x, difference.ix);
      XDADJ(difference.x, difference.ix);
      extended_add(c.x, c.ix, -difference.x, difference.ix, c.x, c.ix);
      XDADJ(c.x, c.ix);
      write_entry(VALUES, INDICES, e - 1, c);
      nu = nu - 1;
    }
    return;
  }
  for (std::int64_t e = n - 1; e > 1; --e) {
    const double u = (2 * nu + 1) * x * c.x / (mu + nu);
    const double w = -(nu - mu + 1) * d.x / (mu + nu);
    ExtendedReal next;
    extended_add(u, c.ix, w, d.ix, next.x, next.ix);
    XDADJ(next.x, next.ix);
    d = c;
    c = next;
    write_entry(VALUES, INDICES, e - 1, next);
    nu = nu - 1;
  }
}

}  // namespace legendre
