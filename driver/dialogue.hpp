// The console dialogue: banner, and the two questions for the site.
#pragma once

namespace driver {

/// Prints the banner, console lines 1 to 9.
void print_banner();

/// Asks for the site's geodetic latitude until the answer lies in 35 to 60
/// degrees north (bounds included); an answer outside is answered with the
/// region's bounds and the question is asked again, without limit.
///
/// @return the latitude as typed (degrees, north positive)
/// @throws console::InputError when the input is not a number or ends
double ask_latitude();

/// Asks for the site's geodetic longitude, -15 to 30 degrees (west
/// negative), in the same way.
///
/// @return the longitude as typed (degrees, east positive)
double ask_longitude();

}  // namespace driver
