#include "model/model.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using model::CurveValues;
using model::Model;
using testsupport::ScopedWorkDir;

// A curve line as the curve file writes it.
std::string curve_line(const CurveValues& v) {
  return driver::curve_line(v.year, v.declination, v.inclination, v.intensity, v.declination_error,
                            v.inclination_error, v.intensity_error);
}

// The curve lines that the built program writes for the typed answers.
std::vector<std::string> program_curve_lines(const std::string& latitude,
                                             const std::string& longitude) {
  ScopedWorkDir dir;
  std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp");
  const auto run =
      testsupport::run_program_binary(KARVEN_PROGRAM, latitude + "\n" + longitude + "\n");
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = testsupport::read_lines("psvc_karven.eu.26.dat");
  return {lines.begin() + std::min<std::ptrdiff_t>(17, std::ssize(lines)), lines.end()};
}

bool same_bits(const model::SiteCurve& a, const model::SiteCurve& b) {
  return std::memcmp(a.epochs.data(), b.epochs.data(), sizeof a.epochs) == 0;
}

TEST(Model, CurveFormatsToTheProgramsCurveLines) {
  const Model demo(KARVEN_DEMO_COEFFICIENTS);
  // The cap's pole typed exactly (nudged), one coordinate of it, the
  // region's corners, and ordinary sites.
  const struct {
    const char* latitude;
    const char* longitude;
  } sites[] = {{"45", "8"},      {"45", "10"},       {"40", "8"},   {"35", "-15"},
               {"60", "30"},     {"35", "30"},       {"60", "-15"}, {"48.85", "2.35"},
               {"40.4", "-3.7"}, {"53.87", "10.81"}, {"45.19", "8"}};
  for (const auto& site : sites) {
    SCOPED_TRACE(std::string(site.latitude) + " " + site.longitude);
    const model::SiteCurve curve = demo.curve(std::stod(site.latitude), std::stod(site.longitude));
    std::vector<std::string> lines;
    for (const CurveValues& v : curve.epochs) lines.push_back(curve_line(v));
    EXPECT_EQ(lines, program_curve_lines(site.latitude, site.longitude));
  }
}

TEST(Model, LeavesNothingOfOneSiteForTheNext) {
  const Model demo(KARVEN_DEMO_COEFFICIENTS);
  const model::SiteCurve paris = demo.curve(48.85, 2.35);
  const model::SiteCurve pole = demo.curve(45.0, 8.0);
  const model::SiteCurve athens = demo.curve(37.98, 23.73);
  EXPECT_FALSE(same_bits(paris, athens));
  EXPECT_TRUE(same_bits(demo.curve(48.85, 2.35), paris));
  EXPECT_TRUE(same_bits(demo.curve(45.0, 8.0), pole));

  // Two models evaluated in turn each give their own numbers.
  driver::CoefficientTable doubled = demo.table();
  for (int row = 0; row < model::EPOCHS; ++row) doubled.values[std::size_t(row) * 20] *= 2.0;
  const Model stronger(doubled);
  const model::SiteCurve strong_paris = stronger.curve(48.85, 2.35);
  EXPECT_TRUE(same_bits(demo.curve(48.85, 2.35), paris));
  EXPECT_EQ(strong_paris.epochs[100].intensity, 2.0 * paris.epochs[100].intensity);
  EXPECT_EQ(strong_paris.epochs[100].declination, paris.epochs[100].declination);
  EXPECT_EQ(strong_paris.latitude, 48.85);
  EXPECT_EQ(strong_paris.epochs[380].year, 1900.0);
}

TEST(Model, RefusesASiteOutsideTheRegionAndABadFile) {
  const Model demo(KARVEN_DEMO_COEFFICIENTS);
  const struct {
    double latitude, longitude;
    const char* message;
  } cases[] = {
      {60.01, 2.35,
       "the site 60.01, 2.35 lies outside the model's region: latitude 35 N to 60 N, longitude "
       "15 W to 30 E"},
      {48.85, -15.5,
       "the site 48.85, -15.5 lies outside the model's region: latitude 35 N to 60 N, longitude "
       "15 W to 30 E"},
      {std::nan(""), 2.35,
       "the site NaN, 2.35 lies outside the model's region: latitude 35 N to 60 N, longitude 15 "
       "W to 30 E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      (void)demo.curve(c.latitude, c.longitude);
      ADD_FAILURE() << "no error";
    } catch (const model::SiteOutsideRegion& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_TRUE(model::in_region(35.0, -15.0));
  EXPECT_TRUE(model::in_region(60.0, 30.0));

  ScopedWorkDir dir;
  try {
    const Model missing("models/none.inp");
    ADD_FAILURE() << "no error";
  } catch (const driver::CoefficientFileError& e) {
    EXPECT_STREQ(
        e.what(),
        "the coefficient file models/none.inp cannot be opened: No such file or directory");
  }
}

}  // namespace
