// Legendre functions of one integer order over a run of real degrees: a
// hypergeometric series at the two lowest degrees of the run's fractional
// class, then the three-term recurrence in degree, all in the
// extended-range arithmetic.
#pragma once

#include <cstdint>
#include <span>

namespace legendre {

/// P^(-mu)_nu(cos THETA) (ID other than 2) or Q^(mu)_nu(cos THETA) (ID 2,
/// mu 0 or 1 only) for the degrees DNU1, DNU1 + 1, ..., top_degree. The
/// series runs at the degrees nu0 and nu0 + 1, where nu0 is DNU1 less a
/// whole number, in (-1.5, -0.5] for P and in (-1, 0.5) for Q; the
/// recurrence climbs from there, below DIFFERENCE_FORM_ANGLE in its form
/// in the differences of the values. Expects XDSET to have run.
///
/// @param[in]     DNU1        lowest degree, >= -1 (not -1 for Q)
/// @param[in]     top_degree  highest degree, DNU1 plus a whole number >= 0
/// @param[in,out] order       mu >= 0; for ID 2 the routine negates it, so
///                            callers pass a scratch variable
/// @param[in]     THETA       angle (radians), 0 < THETA <= pi/2
/// @param[in]     ID          2 selects Q, anything else P of negative order
/// @param[out]    VALUES, INDICES  entry k for degree DNU1 + k - 1, as
///                mantissa and auxiliary index; no other entry is written,
///                nor any beyond the end of the spans
void legendre_by_degree(double DNU1, double top_degree, std::int32_t& order, double THETA,
                        std::int32_t ID, std::span<double> VALUES, std::span<std::int32_t> INDICES);

/// The psi function, d/da ln Gamma(a), for a > 0: the argument is shifted
/// up by a whole number to at least about KK, where K - 1 terms of the
/// asymptotic series in 1/a^2 suffice, and the shift is taken back by the
/// recurrence psi(a + 1) = psi(a) + 1/a.
///
/// @param[in] a   argument, > 0
/// @param[in] K   one more than the number of asymptotic terms, 1 to 13
/// @param[in] KK  the argument is raised to at least about KK
double digamma(double a, int K, int KK);

}  // namespace legendre
