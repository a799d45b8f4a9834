// The spatial basis of the cap harmonic model: associated Legendre
// functions of real degree n_k(m) in the cap colatitude, over the cap of
// half-angle 40 degrees about the pole of the cap frame, in Schmidt's
// quasi-normalisation.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace cap {

inline constexpr int CAP_DEGREE_COUNT = 9;

// The real degrees n_k(m) of the model's cap (half-angle 40 degrees, cap
// index k = 0..2), by cap index and order, element (k, m) at k + 3 * m. For
// k - m even dP/dtheta vanishes at the cap's edge, for k - m odd P does.
// The roots were stored as single-precision numbers and are used exactly as
// stored, widened; orders above the cap index are unused zeros.
inline constexpr std::array<double, CAP_DEGREE_COUNT> CAP_DEGREES = {
    0.0,                 // (0, 0): the constant term
    double(2.932276f),   // (1, 0): P = 0, first root
    double(5.012005f),   // (2, 0): dP/dtheta = 0, first non-zero root
    0.0,                 // (0, 1): unused
    double(2.2753966f),  // (1, 1): dP/dtheta = 0, first root
    double(5.012005f),   // (2, 1): P = 0, first root
    0.0,                 // (0, 2): unused
    0.0,                 // (1, 2): unused
    double(4.090469f)};  // (2, 2): dP/dtheta = 0, first root
static_assert(CAP_DEGREES[1] == 2.9322760105133057);
static_assert(CAP_DEGREES[2] == 5.012004852294922);
static_assert(CAP_DEGREES[4] == 2.2753965854644775);
static_assert(CAP_DEGREES[8] == 4.090468883514404);

/// Fills the cap degree table of the model's cap; nothing is computed.
///
/// @param[out] degrees  n_k(m) at k + 3 * m (dimensionless)
void load_cap_degrees(std::span<double, 9> degrees);

/// The three colatitude factors of one cap harmonic: the Schmidt
/// quasi-normalised function P of order m and real degree n (positive for
/// small theta, 1 at theta = 0 for m = 0), its colatitude derivative and
/// m P / sin(theta). Prints a warning line for each Legendre value that
/// leaves the double range.
///
/// @param[in]  m              order, 0 <= m <= n - 1 (at least 0 for m = 0)
/// @param[in]  n              real degree, n >= 0 so that n - 1 >= -1
/// @param[in]  theta          cap colatitude (degrees), 0 < theta <= 90
/// @param[out] P              the function (dimensionless)
/// @param[out] dP_dtheta      dP/dtheta (per radian)
/// @param[out] m_P_over_sin   m P / sin(theta) (dimensionless); exactly 0 for m = 0
void cap_basis_function(std::int32_t m, double n, double theta, double& P, double& dP_dtheta,
                        double& m_P_over_sin);

/// The Legendre function of positive order P^m_nu(cos colatitude) =
/// (-1)^m Gamma(nu+m+1)/Gamma(nu-m+1) P^-m_nu(cos colatitude). When the
/// value leaves the double range, prints "WARNING:TROUBLES IN COMPUTATION!"
/// and returns the mantissa alone, without its power of 2.
///
/// @param[in]  degree      real degree nu, >= -1
/// @param[in]  order       order m, >= 0
/// @param[in]  colatitude  angle (radians), 0 < colatitude <= pi/2
/// @param[out] value       the function, or its extended-range mantissa
void cap_legendre(double degree, std::int32_t order, double colatitude, double& value);

/// Schmidt's factor sqrt(2 Gamma(n-m+1) / Gamma(n+m+1)) and its logarithm,
/// through log_gamma.
///
/// @param[in]  n           real degree, with n - m + 1 > 0
/// @param[in]  m           order, >= 0
/// @param[out] log_factor  natural logarithm of the factor
/// @param[out] factor      the factor (dimensionless)
void schmidt_factor(double n, std::int32_t m, double& log_factor, double& factor);

/// ln Gamma(x) by Lanczos' approximation (gamma = 5, six terms), good to
/// about 2e-10 absolute for moderate x.
///
/// @param[in] x  argument, > 0
/// @return ln Gamma(x)
double log_gamma(double x);

}  // namespace cap
