// Relocation of a measured direction and intensity from the site where it
// was measured to the site of a reference curve, where the two differ: the
// direction through its virtual geomagnetic pole, the intensity through
// its virtual axial dipole moment. Both take the field as that of a dipole
// on a sphere, so they carry an error that grows with the distance (a few
// degrees at 1000 km is usual); dating a measurement at its own site needs
// none.
#pragma once

#include <string>

#include "dating/dating.hpp"

namespace dating {

/// A site on the Earth: latitude (degrees north) and longitude (degrees
/// east), taken on a sphere.
using curve::Site;

/// Radius of the sphere of the distances, km (the Earth's mean radius).
inline constexpr double EARTH_RADIUS_KM = 6371.0;

/// Beyond this distance a relocation earns a warning: errors of several
/// degrees are usual there.
inline constexpr double RELOCATION_WARNING_KM = 1000.0;

/// The great-circle distance between two sites on the sphere of
/// EARTH_RADIUS_KM, in km.
double great_circle_km(const Site& a, const Site& b);

/// The virtual geomagnetic pole of a direction: the pole of the dipole
/// that gives the direction at the site. With p the pole's angular
/// distance from the site, tan I = 2 cot p; the pole lies at p from the
/// site along the great circle that leaves it in the direction D.
///
/// @param[in] declination  D, degrees east (any turn)
/// @param[in] inclination  I, degrees downward, -90 to 90
/// @param[in] site         where the direction was measured
/// @return the pole: latitude -90 to 90, longitude (-180, 180]
Site virtual_pole(double declination, double inclination, const Site& site);

/// The direction that a dipole of the given pole gives at a site: the
/// inverse of virtual_pole.
///
/// @param[in]  pole         the dipole's pole
/// @param[in]  site         where the direction is wanted
/// @param[out] declination  D, degrees east, (-180, 180]
/// @param[out] inclination  I, degrees downward
void pole_direction(const Site& pole, const Site& site, double& declination, double& inclination);

/// The factor that carries an intensity from one latitude to another at
/// the same virtual axial dipole moment:
/// sqrt(1 + 3 sin^2 to) / sqrt(1 + 3 sin^2 from).
///
/// @param[in] from_latitude, to_latitude  degrees north
double axial_dipole_factor(double from_latitude, double to_latitude);

/// A measurement relocated to another site.
struct Relocation {
  Measurement measurement;   // the relocated values; alpha95 kept, sigma_F scaled as F
  Site from;                 // where it was measured
  Site to;                   // where it is taken
  double distance_km = 0.0;  // between the two sites
  // An inclination without a declination goes through the pole with the
  // axial dipole's declination, 0; the report says so.
  bool declination_assumed = false;
};

/// The warning of a relocation beyond RELOCATION_WARNING_KM, or "" within
/// it: "the sample's site lies 1054 km from the curve's: relocation errors
/// of several degrees are usual at that distance; the model's curve at the
/// site itself needs none".
std::string relocation_warning(const Relocation& relocation);

/// Relocates a measurement from the site where it was measured to another:
/// the direction through the virtual geomagnetic pole (an inclination
/// alone with the declination taken as 0), the declination kept in the
/// measurement's own convention (a declination given as 343.6 stays above
/// 180); the intensity and its sigma by axial_dipole_factor. Values the
/// measurement lacks stay missing; what cannot be relocated (a declination
/// with |I| = 90) is left as it is, for measured_components to refuse.
///
/// @throws MeasurementError (field "dec") for a declination when either
///         site lies at a pole (latitude +-90): no meridian is there to
///         measure it from, and an inclination or intensity alone is
///         relocated
Relocation relocate(const Measurement& measurement, const Site& from, const Site& to);

}  // namespace dating
