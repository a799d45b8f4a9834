// The cap frame: spherical coordinates about the cap's pole. The geographic
// frame is rotated so that the pole becomes the north pole; cap longitude 0
// lies on the pole's meridian on the side away from the geographic north
// pole, which lies at cap longitude 180. Horizontal field components
// (north, east) are rotated between the two frames at a site by the frame
// rotation angle alpha, the angle at the site from the geographic to the
// cap meridian: geographic north has the components (cos alpha,
// sin alpha) in the cap frame's (north, east) basis.
#pragma once

namespace cap {

/// Stores the cap's pole and writes the site block of the curve file (the
/// site as received; nothing is written while no curve file is open). A
/// pole at either geographic pole sets the frame rotation angle at once.
///
/// @param[in] pole_latitude   latitude of the cap's pole (degrees, north positive)
/// @param[in] pole_longitude  longitude of the cap's pole (degrees, east positive)
/// @param[in] site_latitude   geodetic latitude of the site as typed (degrees)
/// @param[in] site_longitude  geodetic longitude of the site as typed (degrees)
void set_cap_pole(double pole_latitude, double pole_longitude, double site_latitude,
                  double site_longitude);

/// Converts a site into the cap frame, stores its frame rotation angle for
/// the rotations below, and rotates one pair of components into the cap
/// frame. Either geographic pole, the cap's pole, its antipode and the cap
/// meridians of cap longitude 90 and -90 have branches of their own; within
/// about 0.06 degrees of the cap's pole the angles come from two-argument
/// arctangents, which keep their digits there.
///
/// @param[in]  latitude       latitude of the site (degrees, north positive,
///                            -90 to 90); the program passes the geocentric one
/// @param[in]  longitude      longitude of the site (degrees, east positive)
/// @param[in]  north          north component in the geographic frame (any unit)
/// @param[in]  east           east component in the geographic frame
/// @param[out] cap_latitude   latitude in the cap frame (degrees); the cap
///                            colatitude is 90 minus it
/// @param[out] cap_longitude  longitude in the cap frame (degrees), in
///                            [-180, 180) for longitudes less than 180 degrees
///                            from the pole's
/// @param[out] cap_north      north component in the cap frame
/// @param[out] cap_east       east component in the cap frame
void geographic_to_cap(double latitude, double longitude, double north, double east,
                       double& cap_latitude, double& cap_longitude, double& cap_north,
                       double& cap_east);

/// Rotates horizontal components into the cap frame at the last site
/// converted.
///
/// @param[in]  north      north component in the geographic frame (any unit)
/// @param[in]  east       east component in the geographic frame
/// @param[out] cap_north  north component in the cap frame
/// @param[out] cap_east   east component in the cap frame
void components_to_cap(double north, double east, double& cap_north, double& cap_east);

/// Rotates horizontal components from the cap frame back into the
/// geographic frame at the last site converted: the inverse of
/// components_to_cap.
///
/// @param[in]  cap_north  north component in the cap frame (any unit)
/// @param[in]  cap_east   east component in the cap frame
/// @param[out] north      north component in the geographic frame
/// @param[out] east       east component in the geographic frame
void components_from_cap(double cap_north, double cap_east, double& north, double& east);

/// The cap's pole and the frame rotation angle of the last site.
struct CapFrame {
  double pole_latitude = 90.0;     // degrees; until set, the cap frame is the geographic one
  double pole_longitude = 0.0;     // degrees
  double sin_pole_latitude = 0.0;  // set by set_cap_pole
  double cos_pole_latitude = 0.0;
  double cos_alpha = 1.0;  // frame rotation angle of the last site converted
  double sin_alpha = 0.0;
};

const CapFrame& cap_frame();

/// For tests: a run sets its pole once and never resets it.
void reset_cap_frame();

}  // namespace cap
