#include "dating/relocation.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using dating::Site;

// From tests/reference/relocation_reference.py (unit vectors at 40
// digits): the site, the direction, its virtual pole, another site, the
// direction there, the distance (km).
struct Row {
  double lat, lon, D, I, pole_lat, pole_lon, lat2, lon2, D2, I2, km;
};
constexpr Row ROWS[] = {
    {33.0, -117.0, 4.0, 41.0, 79.86259998889108, 41.686294150476254, 48.850000000000001,
     2.3500000000000001, 11.563972108862659, 71.482084172575954, 9115.1679105288874},
    {53.869999999999997, 10.81, 9.5999999999999996, 70.900000000000006, 84.26206793505466,
     82.56095689816595, 48.850000000000001, 2.3500000000000001, 8.725538204087062,
     66.875319320863113, 809.31301965075104},
    {48.850000000000001, 2.3500000000000001, -16.399999999999999, 64.900000000000006,
     78.841818007531954, -91.697546437522678, 53.869999999999997, 10.81, -17.147035259811013,
     67.346619052278867, 809.31301965075104},
    {40.399999999999999, -3.7000000000000002, 343.60000000000002, 58.0, 77.251852685609282,
     -96.213197612882804, 41.899999999999999, 12.5, -15.125099767741952, 56.21867053578463,
     1364.5434303701143},
    {37.979999999999997, 23.73, 175.0, -50.0, -81.713314061077489, 55.02764518389383,
     59.899999999999999, -14.9, 165.90328448243436, -71.515460245414787, 3639.6069146323877},
};

// Angles to 1e-10 degrees (about 10 micrometres on the ground).
constexpr double ANGLE = 1e-10;

TEST(Relocation, PoleAndDirectionAgreeWithUnitVectors) {
  for (const Row& r : ROWS) {
    SCOPED_TRACE(testing::Message() << r.lat << " " << r.lon << " D " << r.D << " I " << r.I);
    const Site pole = dating::virtual_pole(r.D, r.I, {r.lat, r.lon});
    EXPECT_NEAR(pole.latitude, r.pole_lat, ANGLE);
    EXPECT_NEAR(pole.longitude, r.pole_lon, ANGLE);
    double D = 0.0, I = 0.0;
    dating::pole_direction(pole, {r.lat2, r.lon2}, D, I);
    EXPECT_NEAR(D, r.D2, ANGLE);
    EXPECT_NEAR(I, r.I2, ANGLE);
    // Back at the first site, the direction as measured (one turn apart
    // for a declination written above 180).
    dating::pole_direction(pole, {r.lat, r.lon}, D, I);
    EXPECT_NEAR(std::remainder(D - r.D, 360.0), 0.0, ANGLE);
    EXPECT_NEAR(I, r.I, ANGLE);
    EXPECT_NEAR(dating::great_circle_km({r.lat, r.lon}, {r.lat2, r.lon2}), r.km, 1e-8);
  }
}

TEST(Relocation, CarriesAMeasurementToTheCurvesSite) {
  // A made-up hearth at Luebeck to Paris: direction through the pole,
  // intensity and its sigma by the axial dipole's factor, alpha95 kept.
  dating::Measurement floor;
  floor.name = "H2";
  floor.declination = 9.6;
  floor.inclination = 70.9;
  floor.alpha95 = 2.8;
  floor.intensity = 60.2;
  floor.intensity_sigma = 2.2;
  const Site luebeck{53.87, 10.81}, paris{48.85, 2.35};
  const dating::Relocation r = dating::relocate(floor, luebeck, paris);
  const Row& row = ROWS[1];
  EXPECT_NEAR(*r.measurement.declination, row.D2, ANGLE);
  EXPECT_NEAR(*r.measurement.inclination, row.I2, ANGLE);
  EXPECT_EQ(*r.measurement.alpha95, 2.8);
  // sqrt(1 + 3 sin^2 48.85) / sqrt(1 + 3 sin^2 53.87), by mpmath:
  // 0.955721827268804361 (mp.dps = 30)
  EXPECT_NEAR(*r.measurement.intensity, 60.2 * 0.955721827268804361, 1e-12);
  EXPECT_NEAR(*r.measurement.intensity_sigma, 2.2 * 0.955721827268804361, 1e-13);
  EXPECT_NEAR(r.distance_km, row.km, 1e-8);
  EXPECT_FALSE(r.declination_assumed);

  // An inclination alone goes through the pole with D = 0; a declination
  // written above 180 stays so.
  dating::Measurement inclination_only;
  inclination_only.inclination = 70.9;
  inclination_only.alpha95 = 2.8;
  const dating::Relocation alone = dating::relocate(inclination_only, luebeck, paris);
  EXPECT_TRUE(alone.declination_assumed);
  EXPECT_FALSE(alone.measurement.declination);
  double D = 0.0, I = 0.0;
  dating::pole_direction(dating::virtual_pole(0.0, 70.9, luebeck), paris, D, I);
  EXPECT_EQ(*alone.measurement.inclination, I);
  dating::Measurement westerly;
  westerly.declination = ROWS[3].D;
  westerly.inclination = ROWS[3].I;
  westerly.alpha95 = 3.0;
  EXPECT_NEAR(*dating::relocate(westerly, {ROWS[3].lat, ROWS[3].lon}, {ROWS[3].lat2, ROWS[3].lon2})
                   .measurement.declination,
              ROWS[3].D2 + 360.0, ANGLE);
}

}  // namespace
