#include "dating_rows/rows.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// The message of the RowError that f throws, or "" when it throws none.
template <class F>
std::string refusal(F&& f) {
  try {
    f();
  } catch (const dating_rows::RowError& e) {
    return e.what();
  }
  return "";
}

TEST(CheckLevels, RefusesFractionsAndWhatTheLibraryRefuses) {
  EXPECT_EQ(refusal([] { dating_rows::check_levels({68.0, 95.0}); }), "");
  EXPECT_EQ(refusal([] {
              dating_rows::check_levels({95.0, 0.95});
            }),
            "levels: a level is in percent, e.g. 95 for 95%; read 0.95, which would be 0.95%");
  const std::string outside = refusal([] { dating_rows::check_levels({100.0}); });
  EXPECT_TRUE(outside.starts_with("levels: ")) << outside;
  EXPECT_GT(outside.size(), std::string("levels: ").size());
}

TEST(CheckedSite, TakesAnyLongitudeAndRefusesWhatIsNoPlace) {
  const dating::Site site = dating_rows::checked_site(-90.0, 400.0);
  EXPECT_EQ(site.latitude, -90.0);
  EXPECT_EQ(site.longitude, 400.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(refusal([] { dating_rows::checked_site(90.5, 0.0); }),
            "site: the latitude must lie between -90 and 90 degrees: 90.5");
  EXPECT_EQ(refusal([nan] { dating_rows::checked_site(nan, 0.0); }),
            "site: the latitude must lie between -90 and 90 degrees: nan");
  EXPECT_EQ(refusal([] { dating_rows::checked_site(45.0, INFINITY); }),
            "site: the longitude is not a finite number: inf");
}

TEST(ComponentsUsed, NamesTheFieldAsTheBindingDoesAndKeysTheSet) {
  dating::Measurement measurement;
  measurement.intensity = 60.0;
  const std::string message = refusal([&] {
    dating_rows::components_used(measurement, [](const std::string& field) {
      return field == "int" ? std::string("intensity") : field;
    });
  });
  EXPECT_EQ(message, "intensity: the intensity needs its sigma, which is missing");

  measurement.intensity_sigma = 2.0;
  measurement.inclination = 64.0;
  measurement.alpha95 = 2.5;
  const auto used = dating_rows::used_components(
      dating_rows::components_used(measurement, [](const std::string& f) { return f; }));
  EXPECT_EQ(used.components, (std::vector<curve::Component>{curve::Component::inclination,
                                                            curve::Component::intensity}));
  EXPECT_EQ(used.key, 0b110U);
}

TEST(OnGrid, PutsTheStretchOnTheWholeGrid) {
  dating::Density density;
  density.first_year = 1002;
  density.values = {0.25, 0.75};
  EXPECT_EQ(dating_rows::on_grid(density, 1000, 5),
            (std::vector<double>{0.0, 0.0, 0.25, 0.75, 0.0}));
}

TEST(SequenceOrder, TakesTheTwoWordsAndListsTheOldestFirst) {
  EXPECT_EQ(dating_rows::oldest_first("oldest-first", 3), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(dating_rows::oldest_first("youngest-first", 3), (std::vector<std::size_t>{2, 1, 0}));
  EXPECT_EQ(refusal([] { dating_rows::check_order("youngest-first"); }), "");
  EXPECT_EQ(refusal([] { dating_rows::check_order("newest"); }),
            "order: expected \"oldest-first\" or \"youngest-first\", got \"newest\"");
}

}  // namespace
