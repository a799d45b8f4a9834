// Q^(mu)_nu(cos THETA) of any order: Q of orders 0 and 1 from the series
// and the recurrence in degree, higher orders by the forward recurrence
// Q^(mu+1) = -2 mu (x / sin THETA) Q^(mu) - (nu - mu + 1)(nu + mu) Q^(mu-1).
// Expects XDSET to have run.
#pragma once

#include <cstdint>
#include <span>

namespace legendre {

/// Q at the degree nu = DNU1 for the orders MU1..MU2.
///
/// @param[in]  DNU1, top_degree  the degree, > -1; top_degree = DNU1
/// @param[in]  MU1, MU2  lowest and highest order, 0 <= MU1 < MU2
/// @param[in]  THETA     angle (radians), 0 < THETA <= pi/2
/// @param[in]  x, s      cos THETA and 1 / sin THETA
/// @param[in]  ID        2
/// @param[out] VALUES, INDICES  entries 1..MU2 - MU1 + 1, entry i for the
///             order MU1 + i - 1
void legendre_q_by_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                         double THETA, double x, double s, std::int32_t ID,
                         std::span<double> VALUES, std::span<std::int32_t> INDICES);

/// Q of the order MU1 at the degrees DNU1..top_degree: the order
/// recurrence at the two highest degrees, then the backward recurrence
/// Q^(mu)_(nu-1) = [(2 nu + 1) x Q^(mu)_nu - (nu - mu + 1) Q^(mu)_(nu+1)] / (nu + mu),
/// below DIFFERENCE_FORM_ANGLE in its form in the differences of Q.
///
/// @param[in]  DNU1, top_degree  lowest and highest degree, DNU1 > -1,
///             top_degree = DNU1 plus a whole number >= 0
/// @param[in]  MU1       the order, >= 0
/// @param[in]  THETA     angle (radians), 0 < THETA <= pi/2
/// @param[in]  x, s      cos THETA and 1 / sin THETA
/// @param[in]  ID        2
/// @param[out] VALUES, INDICES  entries 1..n, n = trunc(top_degree - DNU1
///             + 1.5), entry i for the degree DNU1 + i - 1
void legendre_q_by_degree(double DNU1, double top_degree, std::int32_t MU1, double THETA, double x,
                          double s, std::int32_t ID, std::span<double> VALUES,
                          std::span<std::int32_t> INDICES);

}  // namespace legendre
