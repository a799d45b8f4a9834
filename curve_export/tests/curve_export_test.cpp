#include "curve_export/curve_export.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>

#include "curve/ref_file.hpp"
#include "curve/tests/synthetic_curve.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using curve::Component;

std::string three_epochs() {
  return curve_test::curve_header(40.4, -3.7) +
         curve_test::curve_line(1000, {-1.25, 60.5, 55.75, 2.94, 1.96, 3.92}) +
         "   1005       NaN     60.75     56.00          NaN       1.96       3.92\n" +
         curve_test::curve_line(1010, {-0.75, 61.0, 56.25, 2.94, 1.96, 3.92});
}

// The comments name the curve file without the user's folders: the files
// go to other laboratories.
TEST(ExportRef, WritesTheCommentsAndOneStandardDeviationAndLeavesGapsOut) {
  const curve::Curve curve = curve::read_curve_text(three_epochs(), "site.dat");
  const curve_export::Export result =
      curve_export::export_ref(curve, "/home/ana/runs/site.dat", "out/site");
  ASSERT_EQ(result.files.size(), 3U);
  EXPECT_EQ(result.files[0].name, "out/site_d.ref");
  EXPECT_EQ(result.files[0].text,
            "# KARVEN.EU.26 palaeosecular variation curve: declination\n"
            "# Site: geodetic latitude 40.4, longitude -3.7 (degrees, north and east positive)\n"
            "# Component: declination, in degrees\n"
            "# Columns: year (AD), value, sigma\n"
            "# sigma is one standard deviation: the curve's 95% error divided by 1.96\n"
            "# From the curve file site.dat\n"
            "1000,-1.25,1.5\n"
            "1010,-0.75,1.5\n");
  EXPECT_EQ(result.files[1].name, "out/site_i.ref");
  EXPECT_EQ(result.files[2].name, "out/site_f.ref");
  EXPECT_EQ(result.notes,
            std::vector<std::string>{
                "/home/ana/runs/site.dat: the declination has no value at the year 1005; left "
                "out of out/site_d.ref, and the chronology tools interpolate across missing years "
                "without a word"});
  EXPECT_TRUE(result.failures.empty());
}

// The .ref files read back give the curve's site and values, and 1.96
// sigma gives its 95% errors: the band the chronology tools draw is the
// curve's band.
TEST(ExportRef, ReadsBackAsTheCurveWithItsBand) {
  const std::string text = curve_test::smooth_curve_text();
  const curve::Curve curve = curve::read_curve_text(text, "smooth.dat");
  const curve_export::Export result = curve_export::export_ref(curve, "smooth.dat", "smooth");
  for (const Component component : curve::COMPONENTS) {
    const auto k = static_cast<std::size_t>(component);
    const curve::RefFile file = curve::read_ref_text(result.files[k].text, result.files[k].name);
    EXPECT_TRUE(file.notes.empty());
    // The site line names the curve file's site.
    ASSERT_TRUE(file.site);
    EXPECT_EQ(file.site->latitude, curve.latitude);
    EXPECT_EQ(file.site->longitude, curve.longitude);
    ASSERT_EQ(file.series.years.size(), curve.points.size());
    for (std::size_t i = 0; i < curve.points.size(); ++i) {
      EXPECT_EQ(file.series.years[i], curve.points[i].year);
      EXPECT_EQ(file.series.values[i], curve.points[i].values[k]);
      EXPECT_NEAR(file.series.sigmas[i] * curve::NORMAL_95, curve.points[i].values[k + 3],
                  1e-15 * curve.points[i].values[k + 3]);
    }
  }
}

// The CSV read back, field by field, holds the curve's values; a gap is an
// empty field.
TEST(ExportCsv, ReadsBackAsTheCurve) {
  const curve::Curve curve = curve::read_curve_text(three_epochs(), "site.dat");
  const curve_export::Export result = curve_export::export_csv(curve, "site.dat", "site.csv");
  ASSERT_EQ(result.files.size(), 1U);
  EXPECT_EQ(result.files[0].name, "site.csv");
  EXPECT_EQ(result.files[0].text, std::string(curve_export::CSV_HEADER) +
                                      "\n1000,-1.25,60.5,55.75,2.94,1.96,3.92\n"
                                      "1005,,60.75,56,,1.96,3.92\n"
                                      "1010,-0.75,61,56.25,2.94,1.96,3.92\n");
  EXPECT_EQ(result.notes,
            std::vector<std::string>{"site.dat: the declination has no value at the year 1005; its "
                                     "fields are left empty in site.csv"});
}

}  // namespace
