// The field of a global spline model: Gauss coefficients at a year from the
// B-splines, the field at a geodetic site by Schmidt semi-normalised
// synthesis, and the dipole. Built for speed both ways: a year's
// coefficients serve any number of sites, a site's terms any number of
// years, and the field of one site at one year is three sums over the
// coefficients.
#pragma once

#include <span>
#include <stdexcept>
#include <vector>

#include "geomodel/spline_model.hpp"

namespace geomodel {

/// The reference radius of the Gauss coefficients (km).
inline constexpr double REFERENCE_RADIUS = 6371.2;

/// A year outside the model's span; the message names the model and its span.
class YearOutsideSpan : public std::domain_error {
 public:
  using std::domain_error::domain_error;
};

/// A site that is not on the Earth's surface as a geodetic latitude and
/// longitude; the message names the coordinate.
class SiteOutsideRange : public std::domain_error {
 public:
  using std::domain_error::domain_error;
};

/// The Gauss coefficients of a model at a year, in the file's order
/// g(1,0), g(1,1), h(1,1), g(2,0), ... (nT).
struct GaussCoefficients {
  double year = 0.0;
  int degree = 0;
  std::vector<double> values;  // coefficient_count(degree) of them
};

/// The B-splines at a year, in the model's span: the coefficients that
/// any number of sites then take.
///
/// @param[in] model  a model as read
/// @param[in] year   years AD (negative before 1 AD), in the model's span
/// @throws YearOutsideSpan outside the span, or for a year that is not finite
GaussCoefficients gauss_coefficients(const SplineModel& model, double year);

/// The same, into storage the caller owns (no allocation).
///
/// @param[out] values  coefficient_count(model.degree) entries
void gauss_coefficients(const SplineModel& model, double year, std::span<double> values);

/// The field at a site and a year.
struct FieldValues {
  double north = 0.0;        // X (nT), NaN at a geographic pole
  double east = 0.0;         // Y (nT), NaN at a geographic pole
  double down = 0.0;         // Z (nT)
  double horizontal = 0.0;   // H (nT)
  double declination = 0.0;  // D (degrees, east positive), NaN where undefined
  double inclination = 0.0;  // I (degrees, down positive)
  double intensity = 0.0;    // F (microtesla)
  // False at a geographic pole (and where the field is vertical): north has
  // no direction there, and D, X and Y are NaN.
  bool direction_defined = true;
};

/// The terms of a site that do not change with the year: for each Gauss
/// coefficient, its share of the north, east and downward components in the
/// geodetic frame. Computed once per site, reused for every year.
class SiteTerms {
 public:
  /// @param[in] latitude   geodetic latitude (degrees north), -90 to 90
  /// @param[in] longitude  degrees east, -180 to 360
  /// @param[in] degree     the model's degree, 1 to MAX_DEGREE
  /// @throws SiteOutsideRange for a latitude or longitude out of range or
  ///         not finite
  SiteTerms(double latitude, double longitude, int degree);

  double latitude() const { return latitude_; }
  double longitude() const { return longitude_; }
  int degree() const { return degree_; }
  /// At a geographic pole the field's direction in the horizontal is undefined.
  bool at_pole() const { return at_pole_; }

  /// The field of these coefficients here.
  ///
  /// @param[in] gauss  at least coefficient_count(degree()) coefficients (nT);
  ///                   further ones (higher degrees) are left out
  /// @throws std::invalid_argument for fewer coefficients
  FieldValues field(std::span<const double> gauss) const;
  FieldValues field(const GaussCoefficients& gauss) const { return field(gauss.values); }

 private:
  double latitude_;
  double longitude_;
  int degree_;
  bool at_pole_;
  std::vector<double> terms_;  // north, east, down of each coefficient in turn
};

/// The field of a model at one site and one year.
///
/// @throws SiteOutsideRange, YearOutsideSpan as above
FieldValues field_at(const SplineModel& model, double latitude, double longitude, double year);

/// The field of a model at one site over years of its span, in their order.
///
/// @throws SiteOutsideRange, YearOutsideSpan as above (nothing is returned
///         when one year lies outside)
std::vector<FieldValues> field_curve(const SplineModel& model, double latitude, double longitude,
                                     std::span<const double> years);

/// The axial and equatorial dipole of a set of Gauss coefficients.
struct Dipole {
  double moment = 0.0;          // 10^22 A m^2
  double pole_latitude = 0.0;   // the geomagnetic north pole, geocentric degrees north
  double pole_longitude = 0.0;  // degrees east, -180 to 180
};

/// The dipole of g(1,0), g(1,1), h(1,1): moment 4 pi a^3 / mu0 times their
/// root sum of squares; the north geomagnetic pole where the dipole's axis
/// meets the northern hemisphere (for today's field, near Greenland).
///
/// @param[in] gauss  at least g(1,0), g(1,1), h(1,1) (nT)
Dipole dipole(std::span<const double> gauss);

}  // namespace geomodel
