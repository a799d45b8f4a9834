#include "curve/site_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SiteText, ShowsTheFilesDigitsWithHemispheres) {
  struct Row {
    double latitude, longitude;
    std::string text;
  };
  const std::vector<Row> rows = {
      {40.4, -3.7, "40.40 N, 3.70 W"},
      {45.0, 8.0, "45.00 N, 8.00 E"},
      {-33.5, 120.25, "33.50 S, 120.25 E"},
      {60.0, -15.0, "60.00 N, 15.00 W"},
      // Shown as -.00 in the file: no hemisphere to the south or west.
      {-0.001, -0.004, "0.00 N, 0.00 E"},
      {-0.0, 0.0, "0.00 N, 0.00 E"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(curve::site_text(row.latitude, row.longitude), row.text);
  }
}

}  // namespace
