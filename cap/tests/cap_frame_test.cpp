#include "cap/cap_frame.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cap/constants.hpp"
#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_lines;
using testsupport::ScopedWorkDir;

constexpr double POLE_LATITUDE = 45.0;  // the model's cap
constexpr double POLE_LONGITUDE = 8.0;

class CapFrame : public testing::Test {
 protected:
  void SetUp() override { cap::reset_cap_frame(); }
  void TearDown() override { cap::reset_cap_frame(); }
};

struct InCap {
  double latitude = 0.0;
  double longitude = 0.0;
  double north = 0.0;
  double east = 0.0;
};

InCap to_cap(double latitude, double longitude, double north = 1.0, double east = 0.0) {
  InCap c;
  cap::geographic_to_cap(latitude, longitude, north, east, c.latitude, c.longitude, c.north,
                         c.east);
  return c;
}

void set_pole(double latitude, double longitude) {
  cap::set_cap_pole(latitude, longitude, 0.0, 0.0);  // no curve file open: nothing written
}

// Difference of two longitudes, taken the short way round (degrees).
double longitude_difference(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d < -180.0) d += 360.0;
  return d;
}

// The worked sites quote angles to 6 decimals and the cosine and sine of
// the frame angle to 6 decimals: one unit in the last digit.
TEST_F(CapFrame, MatchesTheWorkedSitesToTheQuotedDigits) {
  struct Row {
    double latitude, longitude, cap_latitude, cap_longitude, cos_alpha, sin_alpha;
  };
  const Row rows[] = {
      {40.0, 0.0, 82.274365, -52.473851, 0.681242, -0.732058},
      {55.0, 25.0, 75.258983, 138.771931, -0.582977, 0.812489},
      {36.0, 8.0, 81.0, 0.0, 1.0, 0.0},
  };
  set_pole(POLE_LATITUDE, POLE_LONGITUDE);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "site " << row.latitude << ", " << row.longitude);
    const InCap c = to_cap(row.latitude, row.longitude, 1.0, 0.0);
    EXPECT_NEAR(c.latitude, row.cap_latitude, 1e-6);
    EXPECT_NEAR(c.longitude, row.cap_longitude, 1e-6);
    EXPECT_NEAR(cap::cap_frame().cos_alpha, row.cos_alpha, 1e-6);
    EXPECT_NEAR(cap::cap_frame().sin_alpha, row.sin_alpha, 1e-6);
    // A north-pointing unit vector becomes (cos alpha, sin alpha).
    EXPECT_NEAR(c.north, row.cos_alpha, 1e-6);
    EXPECT_NEAR(c.east, row.sin_alpha, 1e-6);
  }
}

// Near the cap's pole the cap longitude and the frame angle are each
// ill-conditioned, but together they fix the direction of the field: a
// site close to the pole must get both to full accuracy. References from
// mpmath at 50 digits, at the exact doubles of the inputs:
//   x, y, z = cos(p) cos(dl), cos(p) sin(dl), sin(p)   (p, dl in radians)
//   xc, zc = sin(p0) x - cos(p0) z, cos(p0) x + sin(p0) z
//   colatitude = 90 - atan2(zc, hypot(xc, y)) / DEG_TO_RAD
//   longitude = atan2(y, xc) / DEG_TO_RAD
//   alpha = atan2(cos(p0) sin(dl), cos(p) sin(p0) - sin(p) cos(p0) cos(dl))
// at distances of 0.06 to 1e-8 degrees from the pole.
TEST_F(CapFrame, SitesCloseToTheCapPoleKeepTheirDigits) {
  struct Row {
    double latitude, longitude, colatitude, cap_longitude, cos_alpha, sin_alpha;
  };
  const Row rows[] = {
      {45.03, 8.073484692283495, 0.059988214271726725, 120.03248119743697, -0.49970532035920145,
       0.86619547032105164},
      {45.03, 7.926515307716505, 0.059988214271726725, -120.03248119743697, -0.49970532035920145,
       -0.86619547032105164},
      {45.025, 8.061237243569579, 0.049991816017007444, 120.02706693587913, -0.49975445521151396,
       0.86616712272877391},
      {45.025, 7.93876275643042, 0.049991816017007987, -120.02706693587877, -0.49975445521150851,
       -0.86616712272877705},
      {45.01, 8.0, 0.00999999999999649, 180.0, -1.0, -1.0106957375356833e-51},
      {45.005, 8.012247448713916, 0.0099996727287510752, 120.00541280443335, -0.49995090830132834,
       0.86605374503472749},
      {44.992928932188136, 8.01, 0.01000030851291048, 45.005303064523847, 0.70712859499758853,
       0.70708496670254305},
      {44.99657979856674, 7.986710739512226, 0.010000263536039661, -70.00524800124909,
       0.34208818322830354, -0.93966785349694635},
      {45.0001, 8.0, 0.00010000000000179915, 180.0, -1.0, -1.0106957375356833e-51},
      {45.00005, 8.000122474487139, 9.9999967274050002e-5, 120.00005412752975, -0.49999950913973483,
       0.8660256871825594},
      {44.999929289321884, 8.0001, 0.00010000003085008067, 45.00005303384375, 0.70710699934182488,
       0.70710656303120287},
      {44.999965797985666, 7.999867107395122, 0.00010000002635432033, -70.000052480249713,
       0.34202082377521673, -0.93969237312224799},
      {45.000001, 8.0, 9.9999999595473473e-7, 180.0, -1.0, -1.0106957375356833e-51},
      {45.0000005, 8.00000122474487, 9.999999942463336e-7, 120.00000048952616, -0.49999999430921582,
       0.8660254070700144},
      {44.99999929289322, 8.000001, 9.9999999926524062e-7, 45.000000619206512, 0.70710678227135471,
       0.70710678010174034},
      {44.999999657979856, 7.999998671073951, 1.0000000015480687e-6, -70.000000507230472,
       0.34202015041836372, -0.9396926182043785},
      {45.00000001, 8.0, 9.9999993068957366e-9, 180.0, -1.0, -1.0106957375356833e-51},
      {45.000000005, 8.00000001224745, 9.9999972544579524e-9, 119.99998328917453,
       -0.49999974728504052, 0.86602554968943937},
      {44.999999992928934, 8.00000001, 9.9999972664740805e-9, 45.000011697828613,
       0.70710663690690162, 0.70710692546616399},
      {44.999999996579795, 7.99999998671074, 9.9999994648497521e-9, -69.999982970459344,
       0.34202042277667162, -0.93969251907401434},
  };
  set_pole(POLE_LATITUDE, POLE_LONGITUDE);
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.latitude << ", " << r.longitude);
    const InCap c = to_cap(r.latitude, r.longitude);
    // The colatitude comes as 90 minus the cap latitude: one rounding of
    // numbers near 90 (1.4e-14 degrees) besides a few of its own. Beyond
    // 0.057 degrees the arcsine formulas take over; at 0.06 degrees they
    // still lose about six digits (1e-9 degrees of cap longitude), far
    // below anything the curve shows, and that is all the 0.06 rows ask.
    const double loss = r.colatitude > 0.057 ? 1e4 : 1.0;
    EXPECT_NEAR(90.0 - c.latitude, r.colatitude, loss * (3e-14 + 1e-13 * r.colatitude));
    const double expected_longitude =
        r.cap_longitude >= 180.0 ? r.cap_longitude - 360.0 : r.cap_longitude;
    EXPECT_NEAR(c.longitude, expected_longitude, loss * 1e-12);
    EXPECT_NEAR(cap::cap_frame().cos_alpha, r.cos_alpha, loss * 1e-14);
    EXPECT_NEAR(cap::cap_frame().sin_alpha, r.sin_alpha, loss * 1e-14);
  }
}

TEST_F(CapFrame, TheGeographicNorthPoleLiesAtCapLongitudeMinus180) {
  set_pole(POLE_LATITUDE, POLE_LONGITUDE);
  for (const double longitude : {-170.0, 0.0, 8.0, 30.0, 179.0}) {
    SCOPED_TRACE(longitude);
    const InCap c = to_cap(90.0, longitude);
    EXPECT_EQ(c.latitude, 45.0);
    EXPECT_EQ(c.longitude, -180.0);
  }
}

TEST_F(CapFrame, WithThePoleLeftAtTheNorthPoleTheFramesCoincide) {
  const double rows[][2] = {{40.0, -3.7},  {-12.5, 179.5},  {60.0, 180.0},
                            {10.0, 190.0}, {-80.0, -180.0}, {0.0, -200.0}};
  const double folded[] = {-3.7, 179.5, -180.0, -170.0, -180.0, 160.0};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(testing::Message() << rows[i][0] << ", " << rows[i][1]);
    const InCap c = to_cap(rows[i][0], rows[i][1], 3.0, -4.0);
    EXPECT_EQ(c.latitude, rows[i][0]);
    EXPECT_EQ(c.longitude, folded[i]);
    EXPECT_EQ(c.north, 3.0);
    EXPECT_EQ(c.east, -4.0);
  }
}

TEST_F(CapFrame, APoleAtTheSouthPoleTurnsTheFrameUpsideDown) {
  set_pole(-90.0, 10.0);
  EXPECT_EQ(cap::cap_frame().cos_alpha, -1.0);
  EXPECT_EQ(cap::cap_frame().sin_alpha, 0.0);
  const InCap c = to_cap(30.0, 40.0, 3.0, -4.0);
  EXPECT_EQ(c.latitude, -30.0);
  EXPECT_EQ(c.longitude, 150.0);
  EXPECT_EQ(c.north, -3.0);
  EXPECT_EQ(c.east, 4.0);
  EXPECT_EQ(to_cap(0.0, -20.0).longitude, -150.0);  // 210 folded once
  double north = 0.0, east = 0.0;
  cap::components_from_cap(c.north, c.east, north, east);
  EXPECT_EQ(north, 3.0);
  EXPECT_EQ(east, -4.0);
}

// A site given exactly at the cap's pole, for poles where the sine of the
// cap latitude comes out one or two roundings short of 1, still gets the
// pole's own frame: cap latitude 90 and a rotation of unit length.
TEST_F(CapFrame, ASiteExactlyAtTheCapPoleOrItsAntipodeGetsTheirFrames) {
  for (const double pole_latitude : {45.0, 35.0, 40.0, 10.0, -20.0, 0.0, 77.7}) {
    for (const double pole_longitude : {8.0, -123.0}) {
      SCOPED_TRACE(testing::Message() << "pole " << pole_latitude << ", " << pole_longitude);
      set_pole(pole_latitude, pole_longitude);
      InCap c = to_cap(pole_latitude, pole_longitude, 3.0, -4.0);
      EXPECT_EQ(c.latitude, 90.0);
      EXPECT_EQ(c.longitude, 0.0);
      EXPECT_EQ(c.north, 3.0);
      EXPECT_EQ(c.east, -4.0);
      const double antipode_longitude =
          pole_longitude > 0.0 ? pole_longitude - 180.0 : pole_longitude + 180.0;
      c = to_cap(-pole_latitude, antipode_longitude, 3.0, -4.0);
      EXPECT_EQ(c.latitude, -90.0);
      EXPECT_EQ(c.longitude, 0.0);
      EXPECT_EQ(c.north, -3.0);
      EXPECT_EQ(c.east, 4.0);
    }
  }
}

// With the pole on the equator the cap meridians of cap longitude 90 and
// -90 form the geographic equator, where sin(latitude) and
// sin(pole latitude) * sin(cap latitude) are both exactly 0.
TEST_F(CapFrame, SitesOnTheCapMeridiansOf90AndMinus90) {
  set_pole(0.0, 20.0);
  InCap c = to_cap(0.0, 50.0);
  EXPECT_NEAR(c.latitude, 60.0, 1e-12);
  EXPECT_EQ(c.longitude, 90.0);
  // There the geographic north points along the cap's parallel, to cap
  // east on the meridian of 90 and to cap west on that of -90.
  EXPECT_NEAR(cap::cap_frame().cos_alpha, 0.0, 1e-15);
  EXPECT_NEAR(cap::cap_frame().sin_alpha, 1.0, 1e-15);
  c = to_cap(0.0, -10.0);
  EXPECT_NEAR(c.latitude, 60.0, 1e-12);
  EXPECT_EQ(c.longitude, -90.0);
  EXPECT_NEAR(cap::cap_frame().cos_alpha, 0.0, 1e-15);
  EXPECT_NEAR(cap::cap_frame().sin_alpha, -1.0, 1e-15);
}

// The frame angle at a geographic pole comes from the site's longitude; it
// must join the angle at sites close to the pole on the same meridian.
// Their distance, 1e-5 degrees, moves the angle by about 2e-7; the
// rounding of the general formulas there is about 1e-16 / 2e-7.
TEST_F(CapFrame, TheAngleAtTheGeographicPolesJoinsItsNeighbourhood) {
  set_pole(POLE_LATITUDE, POLE_LONGITUDE);
  for (const double longitude : {-150.0, -3.7, 8.0, 60.0, 188.0}) {
    for (const double pole : {90.0, -90.0}) {
      SCOPED_TRACE(testing::Message() << pole << ", " << longitude);
      to_cap(pole, longitude);
      const double cos_at_pole = cap::cap_frame().cos_alpha;
      const double sin_at_pole = cap::cap_frame().sin_alpha;
      to_cap(pole - std::copysign(1e-5, pole), longitude);
      EXPECT_NEAR(cap::cap_frame().cos_alpha, cos_at_pole, 1e-6);
      EXPECT_NEAR(cap::cap_frame().sin_alpha, sin_at_pole, 1e-6);
    }
  }
}

// Round trips at sites over the model's region, at the poles, the cap
// pole, its antipode and the cap meridians of +-90 (pole on the equator).
TEST_F(CapFrame, ComponentsComeBackFromTheCapFrame) {
  struct Case {
    double pole_latitude, pole_longitude, latitude, longitude;
  };
  std::vector<Case> cases;
  for (double latitude = 35.0; latitude <= 60.0; latitude += 5.0) {
    for (double longitude = -15.0; longitude <= 30.0; longitude += 7.5) {
      cases.push_back({POLE_LATITUDE, POLE_LONGITUDE, latitude, longitude});
    }
  }
  const Case degenerate[] = {
      {45.0, 8.0, 90.0, 20.0},    {45.0, 8.0, -90.0, 20.0}, {45.0, 8.0, 45.0, 8.0},
      {45.0, 8.0, -45.0, -172.0}, {35.0, 8.0, 35.0, 8.0},   {35.0, 8.0, -35.0, -172.0},
      {0.0, 20.0, 0.0, 50.0},     {0.0, 20.0, 0.0, -10.0},  {45.0, 8.0, 45.001, 8.0},
      {45.0, 8.0, 45.0, 8.001},   {90.0, 0.0, 40.0, -3.7},  {-90.0, 0.0, 40.0, -3.7}};
  cases.insert(cases.end(), std::begin(degenerate), std::end(degenerate));
  const double pairs[][2] = {{1.0, 0.0}, {0.0, 1.0}, {-21.5, 43.25}, {3e4, -4.5e4}};
  for (const Case& k : cases) {
    set_pole(k.pole_latitude, k.pole_longitude);
    to_cap(k.latitude, k.longitude);
    const auto& f = cap::cap_frame();
    SCOPED_TRACE(testing::Message() << "pole " << k.pole_latitude << ", " << k.pole_longitude
                                    << "; site " << k.latitude << ", " << k.longitude);
    // Rounding near the cap's pole grows as 1e-16 over the squared distance.
    EXPECT_NEAR(std::hypot(f.cos_alpha, f.sin_alpha), 1.0, 1e-6);
    for (const auto& pair : pairs) {
      const double size = std::hypot(pair[0], pair[1]);
      double cap_north = 0.0, cap_east = 0.0, north = 0.0, east = 0.0;
      cap::components_to_cap(pair[0], pair[1], cap_north, cap_east);
      cap::components_from_cap(cap_north, cap_east, north, east);
      EXPECT_NEAR(north, pair[0], 1e-6 * size);
      EXPECT_NEAR(east, pair[1], 1e-6 * size);
    }
  }
}

// An independent computation: rotate the site's unit vector, and its
// local north and east vectors, so that the pole becomes the north pole,
// and read cap latitude, cap longitude and the frame angle off the rotated
// vectors. A few hundred sites over the globe, from a fixed generator.
TEST_F(CapFrame, AgreesWithTheRotatedUnitVectorsOverTheGlobe) {
  std::mt19937_64 generator(20260521);  // its output sequence is fixed by the standard
  const auto uniform = [&generator] { return double(generator() >> 11) * 0x1p-53; };
  const double poles[][2] = {{45.0, 8.0}, {-30.0, 100.0}, {0.0, -50.0}, {80.0, 170.0}, {12.5, 0.0}};
  for (const auto& pole : poles) {
    set_pole(pole[0], pole[1]);
    const double p = pole[0] * cap::DEG_TO_RAD;
    for (int i = 0; i < 100; ++i) {
      const double latitude = std::asin(2.0 * uniform() - 1.0) / cap::DEG_TO_RAD;
      const double longitude = 360.0 * uniform() - 180.0;
      SCOPED_TRACE(testing::Message() << "pole " << pole[0] << ", " << pole[1] << "; site "
                                      << latitude << ", " << longitude);
      const InCap c = to_cap(latitude, longitude);

      const double phi = latitude * cap::DEG_TO_RAD;
      const double dlon = (longitude - pole[1]) * cap::DEG_TO_RAD;
      // Takes a vector (x towards the pole's meridian on the equator, y 90
      // degrees east of it, z to the north pole) into the cap frame.
      const auto rotate = [p](std::array<double, 3> v) {
        return std::array<double, 3>{std::sin(p) * v[0] - std::cos(p) * v[2], v[1],
                                     std::cos(p) * v[0] + std::sin(p) * v[2]};
      };
      const auto r =
          rotate({std::cos(phi) * std::cos(dlon), std::cos(phi) * std::sin(dlon), std::sin(phi)});
      const auto north =
          rotate({-std::sin(phi) * std::cos(dlon), -std::sin(phi) * std::sin(dlon), std::cos(phi)});
      const double cap_latitude = std::atan2(r[2], std::hypot(r[0], r[1]));
      const double cap_longitude = std::atan2(r[1], r[0]);
      const std::array<double, 3> cap_north = {-std::sin(cap_latitude) * std::cos(cap_longitude),
                                               -std::sin(cap_latitude) * std::sin(cap_longitude),
                                               std::cos(cap_latitude)};
      const std::array<double, 3> cap_east = {-std::sin(cap_longitude), std::cos(cap_longitude),
                                              0.0};
      const double cos_alpha =
          north[0] * cap_north[0] + north[1] * cap_north[1] + north[2] * cap_north[2];
      const double sin_alpha = north[0] * cap_east[0] + north[1] * cap_east[1];

      // The arcsines lose digits where their arguments near 1: the cap
      // latitude as the site nears the cap's pole or antipode, the cap
      // longitude also near the cap meridians of +-90. About 1e-14 degrees
      // over the cosines found here, with a margin for the rounding of the
      // reference itself.
      const double cos_cap = std::cos(cap_latitude);
      const double latitude_tolerance = 1e-13 / cos_cap;  // degrees
      const double longitude_tolerance = 2e-13 / (cos_cap * std::abs(std::cos(cap_longitude)));
      const double angle_tolerance = 1e-14 / (cos_cap * cos_cap);
      EXPECT_NEAR(c.latitude, cap_latitude / cap::DEG_TO_RAD, latitude_tolerance);
      EXPECT_NEAR(longitude_difference(c.longitude, cap_longitude / cap::DEG_TO_RAD), 0.0,
                  longitude_tolerance);
      EXPECT_GE(c.longitude, -180.0);
      EXPECT_LT(c.longitude, 180.0);
      EXPECT_NEAR(cap::cap_frame().cos_alpha, cos_alpha, angle_tolerance);
      EXPECT_NEAR(cap::cap_frame().sin_alpha, sin_alpha, angle_tolerance);
    }
  }
}

class CapPoleSiteBlock : public CapFrame {
 protected:
  ScopedWorkDir dir;
};

const std::string LATITUDE_HEADING = "   Geodetic Latitude  Geodetic Longitud";

TEST_F(CapPoleSiteBlock, SettingThePoleWritesTheSiteBlockOnce) {
  driver::open_curve_file();
  cap::set_cap_pole(POLE_LATITUDE, POLE_LONGITUDE, 40.5, -3.25);
  driver::close_curve_file();
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[10], " ");
  EXPECT_EQ(lines[11], LATITUDE_HEADING);
  EXPECT_EQ(lines[12], "          40.50          -3.25");
}

TEST_F(CapPoleSiteBlock, EachCallWritesOneBlockWithTheSiteAsReceived) {
  driver::open_curve_file();
  cap::set_cap_pole(POLE_LATITUDE, POLE_LONGITUDE, 45.0, 8.0);
  cap::set_cap_pole(-90.0, 0.0, 59.996, -14.5);
  driver::close_curve_file();
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 10, lines.end()),
            (std::vector<std::string>{" ", LATITUDE_HEADING, "          45.00           8.00", " ",
                                      LATITUDE_HEADING, "          60.00         -14.50"}));
}

TEST_F(CapPoleSiteBlock, WithoutACurveFileNothingIsWritten) {
  cap::set_cap_pole(POLE_LATITUDE, POLE_LONGITUDE, 40.5, -3.25);
  EXPECT_FALSE(std::filesystem::exists(driver::CURVE_FILE_NAME));
  EXPECT_EQ(cap::cap_frame().pole_latitude, POLE_LATITUDE);
  EXPECT_EQ(cap::cap_frame().pole_longitude, POLE_LONGITUDE);
}

}  // namespace
