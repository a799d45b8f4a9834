// Associated Legendre functions of real degree and integer order on the
// cut -1 < x < 1, at x = cos(THETA), in an extended-range arithmetic.
#pragma once

#include <cstdint>
#include <span>

namespace legendre {

/// Legendre functions of real degree and integer order at one angle, for a
/// run of degrees (MU1 == MU2) or a run of orders (NUDIFF == 0). Entry i
/// (from 0) holds degree DNU1 + i, or order MU1 + i.
///
/// @param[in]  DNU1      lowest degree, >= -1
/// @param[in]  NUDIFF    number of further degrees, >= 0; the top degree
///                       DNU1 + NUDIFF below 2^52 (the time grows with it)
/// @param[in]  MU1, MU2  lowest and highest order, 0 <= MU1 <= MU2
/// @param[in]  THETA     angle (radians), 0 < THETA <= pi/2
/// @param[in]  ID        1: P^-mu, 2: Q^mu, 3: P^mu, 4: normalised P
/// @param[out] VALUES, INDICES  mantissas and auxiliary indices (powers of
///             2), at least MU2 - MU1 + NUDIFF + 1 entries; index 0: the
///             plain value
void XDLEGF(double DNU1, std::int32_t NUDIFF, std::int32_t MU1, std::int32_t MU2, double THETA,
            std::int32_t ID, std::span<double> VALUES, std::span<std::int32_t> INDICES);

}  // namespace legendre
