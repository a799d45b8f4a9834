#include "legendre/angle_factors.hpp"

#include <cmath>
#include <cstdint>

namespace legendre {

double half_angle_sine_squared(double THETA) { return std::pow(std::sin(THETA / 2.0), 2.0); }

ExtendedReal reciprocal_sine(double THETA) {
  if (THETA >= TINY_ANGLE) return {1.0 / std::sin(THETA), 0};
  // THETA = f 2^e with 1/2 <= f < 1 (exact, subnormals included), so
  // 1/THETA = (1/f) 2^-e with 1 < 1/f <= 2.
  int e = 0;
  const double f = std::frexp(THETA, &e);
  return {1.0 / f, -e};
}

ExtendedReal half_angle_tangent(double THETA) {
  if (THETA >= TINY_ANGLE) return {std::tan(THETA / 2.0), 0};
  int e = 0;
  const double f = std::frexp(THETA, &e);
  return {f, e - 1};
}

ExtendedReal times_reciprocal_sine(double c, double s, double THETA, const ExtendedReal& v) {
  const double plain = c * s * v.x;
  if (std::isfinite(plain)) return {plain, v.ix};
  ExtendedReal factor = reciprocal_sine(THETA);
  factor.x = c * factor.x;
  XDADJ(factor.x, factor.ix);
  ExtendedReal product{factor.x * v.x, 0};
  // Both indices lie within KMAX + 2L < 2^30 + 2^11, so the sum fits.
  product.ix = factor.ix + v.ix;
  XDADJ(product.x, product.ix);
  return product;
}

}  // namespace legendre
