// Constants shared by the cap geometry and the curve driver.
#pragma once

namespace cap {

// Degrees are turned into radians by multiplying by this value and radians
// into degrees by dividing by it; the printed digits depend on these exact
// digits.
inline constexpr double DEG_TO_RAD = 0.017453292519943295;  // pi/180

}  // namespace cap
