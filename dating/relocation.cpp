#include "dating/relocation.hpp"

#include <algorithm>
#include <cmath>

#include "console/fields.hpp"

namespace dating {

namespace {

constexpr double DEG_TO_RAD = 0.017453292519943295;  // pi/180
constexpr double RAD_TO_DEG = 57.295779513082323;    // 180/pi

double radians(double degrees) { return degrees * DEG_TO_RAD; }
double degrees(double radians) { return radians * RAD_TO_DEG; }

// An angle in degrees brought into (-180, 180].
double half_turn(double angle) {
  double a = std::fmod(angle, 360.0);
  if (a > 180.0) a -= 360.0;
  if (a <= -180.0) a += 360.0;
  return a;
}

}  // namespace

double great_circle_km(const Site& a, const Site& b) {
  // The haversine form keeps its digits for sites close together.
  const double dlat = radians(b.latitude - a.latitude);
  const double dlon = radians(b.longitude - a.longitude);
  const double s = std::sin(dlat / 2.0), t = std::sin(dlon / 2.0);
  const double h = s * s + std::cos(radians(a.latitude)) * std::cos(radians(b.latitude)) * t * t;
  return 2.0 * EARTH_RADIUS_KM * std::asin(std::min(1.0, std::sqrt(h)));
}

Site virtual_pole(double declination, double inclination, const Site& site) {
  const double lat = radians(site.latitude);
  const double D = radians(declination);
  const double I = radians(inclination);
  // The pole's angular distance from the site, 0 to pi: tan I = 2 cot p.
  const double p = std::atan2(2.0 * std::cos(I), std::sin(I));
  const double sin_pole_lat =
      std::sin(lat) * std::cos(p) + std::cos(lat) * std::sin(p) * std::cos(D);
  const double pole_lat = std::asin(std::clamp(sin_pole_lat, -1.0, 1.0));
  // The pole's longitude from the site's: the difference beta from its
  // sine and cosine, which keeps its quadrant.
  const double sin_beta = std::sin(p) * std::sin(D) * std::cos(lat);
  const double cos_beta = std::cos(p) - std::sin(lat) * sin_pole_lat;
  const double beta = std::atan2(sin_beta, cos_beta);
  return {degrees(pole_lat), half_turn(site.longitude + degrees(beta))};
}

void pole_direction(const Site& pole, const Site& site, double& declination, double& inclination) {
  const double lat = radians(site.latitude);
  const double pole_lat = radians(pole.latitude);
  const double dlon = radians(pole.longitude - site.longitude);
  // The pole's bearing from the site, and its angular distance p.
  const double y = std::sin(dlon) * std::cos(pole_lat);
  const double x =
      std::cos(lat) * std::sin(pole_lat) - std::sin(lat) * std::cos(pole_lat) * std::cos(dlon);
  const double cos_p =
      std::sin(lat) * std::sin(pole_lat) + std::cos(lat) * std::cos(pole_lat) * std::cos(dlon);
  const double sin_p = std::hypot(x, y);
  declination = half_turn(degrees(std::atan2(y, x)));
  inclination = degrees(std::atan2(2.0 * cos_p, sin_p));
}

double axial_dipole_factor(double from_latitude, double to_latitude) {
  const double s_from = std::sin(radians(from_latitude));
  const double s_to = std::sin(radians(to_latitude));
  return std::sqrt(1.0 + 3.0 * s_to * s_to) / std::sqrt(1.0 + 3.0 * s_from * s_from);
}

std::string relocation_warning(const Relocation& relocation) {
  const double km = relocation.distance_km;
  if (!(km > RELOCATION_WARNING_KM)) return "";
  return "the sample's site lies " + console::fixed_text(km, 0) +
         " km from the curve's: relocation errors of several degrees are usual at that "
         "distance; the model's curve at the site itself needs none";
}

Relocation relocate(const Measurement& measurement, const Site& from, const Site& to) {
  // At a pole every direction is south (or north): a declination there is
  // measured from no meridian, and the pole of its direction is unknown.
  for (const Site* pole : {&from, &to}) {
    if (measurement.declination && std::fabs(pole->latitude) == 90.0) {
      throw MeasurementError(
          "dec",
          std::string("a declination at a pole is measured from no meridian and cannot be ") +
              (pole == &from ? "relocated from" : "relocated to") + " latitude " +
              console::shortest_text(pole->latitude) +
              "; leave it out to relocate the inclination and the intensity alone");
    }
  }
  Relocation r;
  r.measurement = measurement;
  r.from = from;
  r.to = to;
  r.distance_km = great_circle_km(from, to);
  const Measurement& m = measurement;
  const bool vertical_with_declination =
      m.declination && m.inclination && std::fabs(*m.inclination) >= 90.0;
  if (m.inclination && std::isfinite(*m.inclination) && !vertical_with_declination &&
      (!m.declination || std::isfinite(*m.declination))) {
    r.declination_assumed = !m.declination;
    const double D = m.declination.value_or(0.0);
    double new_D = 0.0, new_I = 0.0;
    pole_direction(virtual_pole(D, *m.inclination, from), to, new_D, new_I);
    r.measurement.inclination = new_I;
    // The declination moves by the change alone, so that it stays in the
    // measurement's convention.
    if (m.declination) r.measurement.declination = D + half_turn(new_D - D);
  }
  if (m.intensity || m.intensity_sigma) {
    const double factor = axial_dipole_factor(from.latitude, to.latitude);
    if (m.intensity) r.measurement.intensity = *m.intensity * factor;
    if (m.intensity_sigma) r.measurement.intensity_sigma = *m.intensity_sigma * factor;
  }
  return r;
}

}  // namespace dating
