#include "curve/model_curve.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace {

// Two curves equal to the bit, NaN gaps included.
void expect_same(const curve::Curve& a, const curve::Curve& b) {
  EXPECT_EQ(a.model, b.model);
  EXPECT_EQ(std::memcmp(&a.latitude, &b.latitude, sizeof a.latitude), 0);
  EXPECT_EQ(std::memcmp(&a.longitude, &b.longitude, sizeof a.longitude), 0);
  ASSERT_EQ(a.points.size(), b.points.size());
  for (std::size_t k = 0; k < a.points.size(); ++k) {
    SCOPED_TRACE(a.points[k].year);
    EXPECT_EQ(a.points[k].year, b.points[k].year);
    EXPECT_EQ(std::memcmp(a.points[k].values.data(), b.points[k].values.data(),
                          sizeof a.points[k].values),
              0);
  }
}

TEST(CurveOfModel, IsTheCurveFileOfTheSiteReadBack) {
  // The demonstration model, with an epoch of no field (every coefficient
  // 0: no declination or inclination) and one of an intensity too wide for
  // its field, which the file shows as gaps.
  driver::CoefficientTable table = model::Model(KARVEN_DEMO_COEFFICIENTS).table();
  for (int j = 1; j <= 9; ++j) table.values[std::size_t(j)] = 0.0;
  table.values[20] = 1e9;
  const model::Model odd(table);
  testsupport::ScopedWorkDir dir;
  for (const auto& [latitude, longitude] :
       {std::pair{48.85, 2.35}, {45.0, 8.0}, {35.0, -15.0}, {59.995, -0.004}}) {
    SCOPED_TRACE(testing::Message() << latitude << " " << longitude);
    const model::SiteCurve site = odd.curve(latitude, longitude);
    // The curve file as the main program writes it for these answers.
    driver::open_curve_file();
    driver::write_site_block(latitude, longitude);
    driver::write_curve_headings();
    for (const model::CurveValues& v : site.epochs) {
      driver::write_curve_line(v.year, v.declination, v.inclination, v.intensity,
                               v.declination_error, v.inclination_error, v.intensity_error);
    }
    driver::close_curve_file();
    const curve::Curve read = curve::read_curve_file(driver::CURVE_FILE_NAME);
    expect_same(curve::curve_of_model(site), read);
    EXPECT_TRUE(std::isnan(read.points[0].values[curve::DECLINATION]));
    EXPECT_TRUE(std::isnan(read.points[1].values[curve::INTENSITY]));
  }
}

}  // namespace
