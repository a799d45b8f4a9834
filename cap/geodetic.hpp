// Geodetic and geocentric coordinates of a site on the reference
// ellipsoid, and the rotation of field components between the two local
// frames. The frames differ by a rotation about the local east axis by the
// latitude difference (geodetic minus geocentric latitude): only the north
// and downward components change.
#pragma once

namespace cap {

// The reference ellipsoid (GRS 80).
inline constexpr double EQUATORIAL_RADIUS = 6378.137;            // semi-major axis, km
inline constexpr double ECCENTRICITY_SQUARED = 0.0066943800229;  // first eccentricity, squared

/// The latitude difference (geodetic minus geocentric) of a site
/// (of the last site converted, for the rotations below), as its cosine and sine.
struct LatitudeDifference {
  // No site converted yet: no rotation, so that the frames coincide.
  double cosine = 1.0;
  double sine = 0.0;
};

/// A geodetic site in geocentric terms, with no state kept: what a caller
/// that holds many sites at once keeps for each.
struct GeocentricSite {
  double latitude = 0.0;          // geocentric latitude (degrees, north positive)
  double radius = 0.0;            // distance from the Earth's centre (km)
  double cos_latitude = 1.0;      // of the geocentric latitude: distance from the
  double sin_latitude = 0.0;      // polar axis and from the equator's plane over the radius
  LatitudeDifference difference;  // geodetic minus geocentric latitude
};

/// The geocentric latitude and radius of a geodetic site, and the latitude
/// difference that rotates field components between the two frames
/// (components_to_geodetic's rotation uses its cosine and sine).
///
/// @param[in] latitude  geodetic latitude (degrees, north positive), -90 to 90
/// @param[in] altitude  height above the ellipsoid (km)
GeocentricSite geocentric_site(double latitude, double altitude);

/// Converts a geodetic site into geocentric latitude and radius, stores the
/// site's latitude difference for the rotations below, and rotates one pair
/// of components into the geocentric frame.
///
/// @param[in]  latitude             geodetic latitude (degrees, north positive),
///                                  -90 to 90
/// @param[in]  altitude             height above the ellipsoid (km)
/// @param[in]  x_geodetic           north component in the geodetic frame (any unit)
/// @param[in]  z_geodetic           downward component in the geodetic frame
/// @param[out] geocentric_latitude  geocentric latitude (degrees, north positive)
/// @param[out] radius               distance from the Earth's centre (km)
/// @param[out] x_geocentric         north component in the geocentric frame
/// @param[out] z_geocentric         downward component in the geocentric frame
void geodetic_to_geocentric(double latitude, double altitude, double x_geodetic, double z_geodetic,
                            double& geocentric_latitude, double& radius, double& x_geocentric,
                            double& z_geocentric);

/// Rotates north and downward components from the geodetic into the
/// geocentric frame of the last site converted.
///
/// @param[in]  x_geodetic    north component in the geodetic frame (any unit)
/// @param[in]  z_geodetic    downward component in the geodetic frame
/// @param[out] x_geocentric  north component in the geocentric frame
/// @param[out] z_geocentric  downward component in the geocentric frame
void components_to_geocentric(double x_geodetic, double z_geodetic, double& x_geocentric,
                              double& z_geocentric);

/// Rotates north and downward components from the geocentric into the
/// geodetic frame of the last site converted: the inverse of
/// components_to_geocentric.
///
/// @param[in]  x_geocentric  north component in the geocentric frame (any unit)
/// @param[in]  z_geocentric  downward component in the geocentric frame
/// @param[out] x_geodetic    north component in the geodetic frame
/// @param[out] z_geodetic    downward component in the geodetic frame
void components_to_geodetic(double x_geocentric, double z_geocentric, double& x_geodetic,
                            double& z_geodetic);

const LatitudeDifference& latitude_difference();

/// For tests: a run converts its site once and never resets it.
void reset_geodetic_state();

}  // namespace cap
