// P of negative order over a run of orders, and the in-place conversions
// of P^(-mu)_nu into P^(mu)_nu and into the normalised function.
//
// The result arrays hold either a run of degrees (one order, top_degree -
// DNU1 > 0.5) or a run of orders (one degree, top_degree = DNU1); entry 1
// is the lowest degree or order. Expects XDSET to have run.
#pragma once

#include <cstdint>
#include <span>

namespace legendre {

/// P^(-mu)_nu(cos THETA) at the degree nu = DNU1 for the orders
/// MU1..MU2, from the two highest orders by the recurrence
/// P^(-(mu-1)) = 2 mu (x / sin THETA) P^(-mu) - (nu + mu + 1)(nu - mu) P^(-(mu+1)),
/// run downwards.
///
/// @param[in]  DNU1, top_degree  the degree, >= -1; top_degree = DNU1
/// @param[in]  MU1, MU2  lowest and highest order, 0 <= MU1 < MU2
/// @param[in]  THETA     angle (radians), 0 < THETA <= pi/2
/// @param[in]  x, s      cos THETA and 1 / sin THETA
/// @param[in]  ID        function kind; anything but 2 (P)
/// @param[out] VALUES, INDICES  entries 1..MU2 - MU1 + 1, entry e for the
///             order MU1 + e - 1
void legendre_p_by_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                         double THETA, double x, double s, std::int32_t ID,
                         std::span<double> VALUES, std::span<std::int32_t> INDICES);

/// Converts, in place, P^(-mu)_nu into
/// P^(mu)_nu = (-1)^mu Gamma(nu + mu + 1) / Gamma(nu - mu + 1) P^(-mu)_nu.
/// At a whole degree the entries of orders above the degree are 0 (for the
/// degree -1, read as the degree 0 it equals: P^(0)_(-1) = 1, higher orders
/// 0).
///
/// @param[in]     DNU1, top_degree  lowest and highest degree
/// @param[in]     MU1, MU2  lowest and highest order, 0 <= MU1 <= MU2
/// @param[in,out] VALUES, INDICES  the run, as laid out above
void legendre_positive_order(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                             std::span<double> VALUES, std::span<std::int32_t> INDICES);

/// Converts, in place, P^(-mu)_nu at whole degrees into the normalised
/// function sqrt(nu + 1/2) sqrt(Gamma(nu + mu + 1) / Gamma(nu - mu + 1))
/// P^(-mu)_nu; entries of orders above the degree are 0.
///
/// @param[in]     DNU1, top_degree  lowest and highest degree, whole
/// @param[in]     MU1, MU2  lowest and highest order, 0 <= MU1 <= MU2
/// @param[in,out] VALUES, INDICES  the run, as laid out above
void legendre_normalise(double DNU1, double top_degree, std::int32_t MU1, std::int32_t MU2,
                        std::span<double> VALUES, std::span<std::int32_t> INDICES);

}  // namespace legendre
