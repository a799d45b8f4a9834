#include "cap/geodetic.hpp"

#include <cmath>

#include "cap/constants.hpp"

namespace cap {

namespace {

LatitudeDifference& difference() {
  static LatitudeDifference record;  // set by each geodetic_to_geocentric
  return record;
}

}  // namespace

const LatitudeDifference& latitude_difference() { return difference(); }

void reset_geodetic_state() { difference() = {}; }

GeocentricSite geocentric_site(double latitude, double altitude) {
  const double phi = latitude * DEG_TO_RAD;
  const double s = std::sin(phi);
  const double c = std::cos(phi);
  // Radius of curvature in the prime vertical.
  const double N = EQUATORIAL_RADIUS / std::sqrt(1.0 - ECCENTRICITY_SQUARED * (s * s));
  const double p = (N + altitude) * c;                             // from the polar axis
  const double z = (N + altitude - ECCENTRICITY_SQUARED * N) * s;  // from the equator's plane
  GeocentricSite site;
  site.radius = std::sqrt(p * p + z * z);
  site.cos_latitude = p / site.radius;
  site.sin_latitude = z / site.radius;

  // Of arccosine and arcsine, the one whose argument stays away from 1.
  double psi;
  if (std::abs(z) > p) {
    psi = std::acos(p / site.radius);
    if (z < 0.0) psi = -psi;
  } else {
    psi = std::asin(z / site.radius);
  }
  site.latitude = psi / DEG_TO_RAD;

  const double delta = phi - psi;
  site.difference.cosine = std::cos(delta);
  site.difference.sine = std::sin(delta);
  return site;
}

void geodetic_to_geocentric(double latitude, double altitude, double x_geodetic, double z_geodetic,
                            double& geocentric_latitude, double& radius, double& x_geocentric,
                            double& z_geocentric) {
  const GeocentricSite site = geocentric_site(latitude, altitude);
  geocentric_latitude = site.latitude;
  radius = site.radius;
  difference() = site.difference;
  components_to_geocentric(x_geodetic, z_geodetic, x_geocentric, z_geocentric);
}

void components_to_geocentric(double x_geodetic, double z_geodetic, double& x_geocentric,
                              double& z_geocentric) {
  const LatitudeDifference& d = difference();
  x_geocentric = x_geodetic * d.cosine - z_geodetic * d.sine;
  z_geocentric = z_geodetic * d.cosine + x_geodetic * d.sine;
}

void components_to_geodetic(double x_geocentric, double z_geocentric, double& x_geodetic,
                            double& z_geodetic) {
  const LatitudeDifference& d = difference();
  x_geodetic = x_geocentric * d.cosine + z_geocentric * d.sine;
  z_geodetic = z_geocentric * d.cosine - x_geocentric * d.sine;
}

}  // namespace cap
