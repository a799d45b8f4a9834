#include "driver/dialogue.hpp"

#include <gtest/gtest.h>

#include "driver/run.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::CinFeed;
using testsupport::CoutCapture;

class Dialogue : public testing::Test {
 protected:
  void SetUp() override { driver::reset_run_state(); }
};

TEST_F(Dialogue, LatitudeIsAskedAgainUntilItLiesInTheRegion) {
  CoutCapture out;
  CinFeed in("34.99\n60.01\nnan\n-inf\n35\n");
  EXPECT_EQ(driver::ask_latitude(), 35.0);
  const std::string prompt = "Give geodetic latitude (decimal degrees, e.g. 40.4):";
  const std::string again = " \nLatitude is between 35 N and 60 N\n" + prompt;
  EXPECT_EQ(out.text(), prompt + again + again + again + again + " ");
}

TEST_F(Dialogue, LongitudeStartsWithABlankLineAndAcceptsItsBounds) {
  for (const double bound : {-15.0, 30.0}) {
    SetUp();
    CoutCapture out;
    CinFeed in(bound < 0 ? "-15.000000000000001\n-15\n" : "30\n");
    EXPECT_EQ(driver::ask_longitude(), bound);
    const std::string prompt = "Give geodetic longitude (decimal degrees,e.g. -3.7):";
    const std::string text = bound < 0 ? prompt + " \nLongitude is between 15 W and 30 E\n" : "";
    EXPECT_EQ(out.text(), " \n" + text + prompt + " ");
  }
}

TEST(NudgedSite, OnlyExactPoleCoordinatesAreMoved) {
  const driver::Site pole = driver::nudged_site(45.0, 8.0);
  EXPECT_EQ(pole.latitude, 45.001);
  EXPECT_EQ(pole.longitude, 8.001);
  EXPECT_EQ(pole.typed_latitude, 45.0);
  EXPECT_EQ(pole.typed_longitude, 8.0);
  const driver::Site lat_only = driver::nudged_site(45.0, 10.0);
  EXPECT_EQ(lat_only.latitude, 45.001);
  EXPECT_EQ(lat_only.longitude, 10.0);
  const driver::Site near = driver::nudged_site(45.0000001, 8.0000001);
  EXPECT_EQ(near.latitude, 45.0000001);
  EXPECT_EQ(near.longitude, 8.0000001);
}

}  // namespace
