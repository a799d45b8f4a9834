// Run-wide constants of the curve driver.
#pragma once

#include "cap/constants.hpp"

namespace driver {

// Output angles are turned from radians into degrees through this
// 15-digit value, not the full double of pi; the last printed digit of a
// declination or inclination can depend on it.
inline constexpr double PI15 = 3.14159265358979;
using cap::DEG_TO_RAD;

inline constexpr double REF_RADIUS = 6371.0087714;  // reference radius a of the expansion, km

// The model's spherical cap: pole at 45 N, 8 E, half-angle 40 degrees.
inline constexpr double CAP_POLE_LAT = 45.0;
inline constexpr double CAP_POLE_LON = 8.0;
inline constexpr double CAP_HALF_ANGLE = 40.0;
inline constexpr int CAP_KMAX = 2;  // largest cap index of the expansion

inline constexpr int N_BASIS = 9;     // spatial basis functions
inline constexpr int N_EPOCHS = 381;  // rows of the coefficient file: 0, 5, ..., 1900 AD

// The region of the model, in geodetic degrees (north and east positive).
inline constexpr double MIN_LATITUDE = 35.0;
inline constexpr double MAX_LATITUDE = 60.0;
inline constexpr double MIN_LONGITUDE = -15.0;
inline constexpr double MAX_LONGITUDE = 30.0;

}  // namespace driver
