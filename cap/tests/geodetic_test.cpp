#include "cap/geodetic.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "cap/constants.hpp"
#include "cap/tests/reference_types.hpp"

namespace {

constexpr double EPS = std::numeric_limits<double>::epsilon();

class Geodetic : public testing::Test {
 protected:
  void SetUp() override { cap::reset_geodetic_state(); }
  void TearDown() override { cap::reset_geodetic_state(); }
};

struct Converted {
  double geocentric_latitude = 0.0;
  double radius = 0.0;
  double x = 0.0;
  double z = 0.0;
};

Converted convert(double latitude, double altitude, double x = 0.0, double z = 0.0) {
  Converted c;
  cap::geodetic_to_geocentric(latitude, altitude, x, z, c.geocentric_latitude, c.radius, c.x, c.z);
  return c;
}

// The stored latitude difference, in degrees.
double difference_degrees() {
  const auto& d = cap::latitude_difference();
  return std::atan2(d.sine, d.cosine) / cap::DEG_TO_RAD;
}

// The worked values are quoted to 6 decimals: one unit in the last digit.
TEST_F(Geodetic, MatchesTheWorkedSitesToTheQuotedDigits) {
  struct Row {
    double latitude, altitude, geocentric_latitude, radius;
  };
  const Row rows[] = {
      {45.0, 0.0, 44.807577, 6367.489544},
      {45.0, 1.0, 44.807607, 6368.489538},
      {35.0, 0.0, 34.819389, 6371.141231},
      {60.0, 0.0, 59.833076, 6362.132224},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.latitude << " deg, " << row.altitude << " km");
    const Converted c = convert(row.latitude, row.altitude);
    EXPECT_NEAR(c.geocentric_latitude, row.geocentric_latitude, 1e-6);
    EXPECT_NEAR(c.radius, row.radius, 1e-6);
  }
  convert(45.0, 0.0);
  EXPECT_NEAR(difference_degrees(), 0.192423, 1e-6);
}

// mpmath at 50 digits; the double results may differ by their own few
// roundings: a few units of 2^-52 relative for latitude and radius, and a
// few units of 2^-52 rad for the difference of two angles near 1 rad.
TEST_F(Geodetic, MatchesTheHighPrecisionReference) {
  for (const auto& row : cap_test::GEOCENTRIC_REFERENCE) {
    SCOPED_TRACE(testing::Message() << row.latitude << " deg, " << row.altitude << " km");
    const Converted c = convert(row.latitude, row.altitude);
    EXPECT_NEAR(c.geocentric_latitude, row.geocentric_latitude,
                8 * EPS * std::max(std::abs(row.geocentric_latitude), 1.0));
    EXPECT_NEAR(c.radius, row.radius, 4 * EPS * row.radius);
    const auto& d = cap::latitude_difference();
    EXPECT_NEAR(std::atan2(d.sine, d.cosine), row.difference, 8 * EPS);
    EXPECT_NEAR(d.cosine * d.cosine + d.sine * d.sine, 1.0, 4 * EPS);
  }
}

TEST_F(Geodetic, OnTheEquatorTheFramesCoincideExactly) {
  const Converted c = convert(0.0, 0.0, 0.25, -0.75);
  EXPECT_EQ(c.geocentric_latitude, 0.0);
  EXPECT_EQ(c.radius, 6378.137);
  EXPECT_EQ(c.x, 0.25);
  EXPECT_EQ(c.z, -0.75);
  double x = 0.0, z = 0.0;
  cap::components_to_geodetic(3.5, -1.25, x, z);
  EXPECT_EQ(x, 3.5);
  EXPECT_EQ(z, -1.25);
}

TEST_F(Geodetic, AtThePolesTheGeocentricLatitudeIsThePole) {
  EXPECT_NEAR(convert(90.0, 0.0).geocentric_latitude, 90.0, 1e-12);
  EXPECT_NEAR(convert(-90.0, 0.0).geocentric_latitude, -90.0, 1e-12);
  EXPECT_NEAR(convert(90.0, 0.0).radius, 6356.752314140358, 1e-9);  // polar semi-axis
}

// The geodetic vertical is the ellipsoid's normal, the geocentric one the
// radius; in the meridian plane (distance from the axis, height above the
// equator) they point along (cos phi, sin phi) and (cos psi, sin psi). The
// geodetic downward unit vector seen in the geocentric frame follows from
// these directions alone.
TEST_F(Geodetic, RotationTurnsTheEllipsoidNormalIntoTheRadialFrame) {
  for (const double latitude : {-75.0, -40.0, -5.0, 5.0, 37.5, 45.0, 60.0, 82.0}) {
    SCOPED_TRACE(latitude);
    const Converted c = convert(latitude, 0.0, 0.0, 1.0);
    const double phi = latitude * cap::DEG_TO_RAD;
    const double psi = c.geocentric_latitude * cap::DEG_TO_RAD;
    // down = -(cos phi, sin phi); geocentric north (-sin psi, cos psi),
    // geocentric down -(cos psi, sin psi).
    const double north = std::cos(phi) * std::sin(psi) - std::sin(phi) * std::cos(psi);
    const double down = std::cos(phi) * std::cos(psi) + std::sin(phi) * std::sin(psi);
    EXPECT_NEAR(c.x, north, 1e-15);
    EXPECT_NEAR(c.z, down, 1e-15);
    // North of the equator the normal tilts towards the equator: the
    // geodetic vertical has a southward geocentric component.
    EXPECT_EQ(c.x<0.0, latitude> 0.0);
  }
}

TEST_F(Geodetic, NorthUnitVectorTurnsByTheLatitudeDifferenceAndBack) {
  const Converted c = convert(45.0, 0.0, 1.0, 0.0);
  const double delta = 0.192423 * cap::DEG_TO_RAD;  // quoted to 6 decimals (degrees)
  EXPECT_NEAR(c.x, std::cos(delta), 1e-8);
  EXPECT_NEAR(c.z, std::sin(delta), 1e-8);
  double x = 0.0, z = 0.0;
  cap::components_to_geodetic(c.x, c.z, x, z);
  EXPECT_NEAR(x, 1.0, 2 * EPS);
  EXPECT_NEAR(z, 0.0, 2 * EPS);
}

TEST_F(Geodetic, RoundTripsReturnTheComponentsOverTheWholeRegion) {
  const double pairs[][2] = {{1.0, 0.0}, {0.0, 1.0}, {-21.5, 43.25}, {3e4, -4.5e4}};
  for (double latitude = 35.0; latitude <= 60.0; latitude += 2.5) {
    for (const double altitude : {0.0, 3.2}) {
      convert(latitude, altitude);
      for (const auto& pair : pairs) {
        SCOPED_TRACE(testing::Message() << latitude << " deg, " << altitude << " km, (" << pair[0]
                                        << ", " << pair[1] << ")");
        const double size = std::hypot(pair[0], pair[1]);
        double xc = 0.0, zc = 0.0, x = 0.0, z = 0.0;
        cap::components_to_geocentric(pair[0], pair[1], xc, zc);
        EXPECT_NEAR(std::hypot(xc, zc), size, 4 * EPS * size);
        cap::components_to_geodetic(xc, zc, x, z);
        EXPECT_NEAR(x, pair[0], 4 * EPS * size);
        EXPECT_NEAR(z, pair[1], 4 * EPS * size);
        cap::components_to_geodetic(pair[0], pair[1], xc, zc);
        cap::components_to_geocentric(xc, zc, x, z);
        EXPECT_NEAR(x, pair[0], 4 * EPS * size);
        EXPECT_NEAR(z, pair[1], 4 * EPS * size);
      }
    }
  }
}

// Before any site is converted there is no latitude difference: the
// rotations keep what they are given instead of zeroing it.
TEST_F(Geodetic, BeforeAnySiteTheRotationsKeepTheComponents) {
  double x = 0.0, z = 0.0;
  cap::components_to_geocentric(2.5, -7.0, x, z);
  EXPECT_EQ(x, 2.5);
  EXPECT_EQ(z, -7.0);
  cap::components_to_geodetic(-1.5, 4.0, x, z);
  EXPECT_EQ(x, -1.5);
  EXPECT_EQ(z, 4.0);
}

// A site converted without state gives what the stateful conversion stores,
// to the last bit, and its latitude's sine and cosine, at any latitude.
TEST_F(Geodetic, TheSiteWithoutStateIsTheStatefulConversion) {
  for (double latitude : {-90.0, -89.9, -45.0, 0.0, 12.3, 45.001, 60.0, 89.99, 90.0}) {
    double geocentric = 0.0, radius = 0.0, x = 0.0, z = 0.0;
    cap::geodetic_to_geocentric(latitude, 0.0, 1.0, 0.0, geocentric, radius, x, z);
    const cap::GeocentricSite site = cap::geocentric_site(latitude, 0.0);
    EXPECT_EQ(site.latitude, geocentric) << latitude;
    EXPECT_EQ(site.radius, radius) << latitude;
    EXPECT_EQ(site.difference.cosine, cap::latitude_difference().cosine) << latitude;
    EXPECT_EQ(site.difference.sine, cap::latitude_difference().sine) << latitude;
    EXPECT_NEAR(site.sin_latitude, std::sin(geocentric * cap::DEG_TO_RAD), 1e-15) << latitude;
    EXPECT_NEAR(site.cos_latitude, std::cos(geocentric * cap::DEG_TO_RAD), 1e-15) << latitude;
  }
}

}  // namespace
