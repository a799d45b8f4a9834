// The angle factors of the Legendre series and recurrences, 1/sin(THETA)
// and tan(THETA/2), in a form that keeps its digits at tiny angles.
//
// Below 2^-510 the two factors leave the window of the extended-range
// arithmetic: tan(THETA/2) times an adjusted mantissa may fall among the
// subnormal doubles (or to 0), and 1/sin(THETA) times one may pass the
// double range (1/sin(THETA) itself overflows below about 5.6e-309). There
// sin(THETA) = THETA and tan(THETA/2) = THETA/2 to double precision, so the
// factors are formed exactly from THETA as pairs. Above 2^-510 they are the
// plain doubles with index 0, as computed everywhere else.
#pragma once

#include "legendre/extended_range.hpp"

namespace legendre {

/// Below this angle the recurrences in degree run in their difference
/// form, D_nu = f_nu - f_(nu-1), which carries the angle through
/// sin^2(THETA/2) to full relative precision; cos(THETA) holds a small
/// angle only in its last bits. Above it the written form in cos(THETA) is
/// as good, and towards the right angle the better: there the differences
/// are as large as the values, and adding one to the value below may
/// cancel. (Measured against the stored references: the written form up
/// to 0.25 loses twice as much at angles from 0.3 to 1; the difference
/// form up to 2 loses three times as much at the right angle.)
inline constexpr double DIFFERENCE_FORM_ANGLE = 1.0;

/// sin^2(THETA/2), the series variable and the angle of the recurrences in
/// their difference form (cos(THETA) = 1 - 2 sin^2(THETA/2)).
///
/// @param[in] THETA  angle (radians), 0 < THETA <= pi/2
double half_angle_sine_squared(double THETA);

/// Angles below this are tiny: the factors below are carried as pairs.
inline constexpr double TINY_ANGLE = 0x1p-510;

/// 1/sin(THETA): the plain double with index 0 for THETA >= TINY_ANGLE
/// (up to about 2^510, not necessarily adjusted); below, 1/THETA as an
/// adjusted pair.
///
/// @param[in] THETA  angle (radians), 0 < THETA <= pi/2
ExtendedReal reciprocal_sine(double THETA);

/// tan(THETA/2): the plain double with index 0 for THETA >= TINY_ANGLE
/// (then at least 2^-511, an adjusted mantissa); below, THETA/2 as an
/// adjusted pair, exact even where THETA is subnormal.
///
/// @param[in] THETA  angle (radians), 0 < THETA <= pi/2
ExtendedReal half_angle_tangent(double THETA);

/// The term c s v of a recurrence in order, where s = 1/sin(THETA) as the
/// caller computed it (infinite below about 5.6e-309) and v a pair. It is
/// the plain product c * s * v.x at the index of v, unadjusted, while that
/// is finite; where it would pass the double range (tiny angles, or very
/// high orders at small ones) the product is formed from reciprocal_sine
/// with XDADJ after each multiplication, and comes back adjusted.
///
/// @param[in] c      a plain factor, such as 2 mu cos(THETA)
/// @param[in] s      1 / sin(THETA), a double (may be infinite)
/// @param[in] THETA  angle (radians), 0 < THETA <= pi/2
/// @param[in] v      an adjusted pair
ExtendedReal times_reciprocal_sine(double c, double s, double THETA, const ExtendedReal& v);

}  // namespace legendre
