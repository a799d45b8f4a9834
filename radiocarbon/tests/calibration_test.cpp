// Calibration against an independent computation (reference_calibration.py,
// mpmath on every year of the curve), a flat stretch of the curve kept in
// one interval, Delta R against the same age shifted by hand, the row of an
// event against the calibration, and the refusals.
#include "radiocarbon/calibration.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using radiocarbon::C14Age;
using radiocarbon::Calibration;
using radiocarbon::GriddedCalibrationCurve;
using testing::ElementsAre;

const GriddedCalibrationCurve& gridded(const std::string& name) {
  static std::map<std::string, GriddedCalibrationCurve> curves;
  auto found = curves.find(name);
  if (found == curves.end()) {
    found = curves.emplace(name, radiocarbon::grid_curve(radiocarbon::load_curve(name))).first;
  }
  return found->second;
}

// The output of reference_calibration.py: the mode and the 68% and 95%
// HPD intervals (years AD, astronomical; probability) of each case.
constexpr const char* REFERENCE = R"(
intcal20 2450 30 mode -716
  68: -745 -689 0.23212625; -663 -644 0.082332668; -560 -559 0.0058704299; -557 -557 0.0028586541; -548 -465 0.30833621; -435 -420 0.049137378
  95: -751 -681 0.26090934; -667 -630 0.11841191; -623 -609 0.025956129; -592 -411 0.54581706
intcal20 6377 18 mode -5355
  68: -5365 -5321 0.69033778
  95: -5464 -5447 0.059316116; -5379 -5308 0.87853773; -5241 -5234 0.012957081
intcal20 4200 30 mode -2875
  68: -2884 -2861 0.1891714; -2803 -2755 0.38524109; -2718 -2703 0.10751556
  95: -2893 -2843 0.26938464; -2812 -2738 0.46164097; -2734 -2671 0.22109586
intcal20 10000 50 mode -9449
  68: -9730 -9730 0.0020970106; -9662 -9575 0.23376283; -9556 -9468 0.24612608; -9463 -9439 0.064687935; -9429 -9377 0.13435892
  95: -9775 -9770 0.0046981058; -9759 -9713 0.064546898; -9702 -9319 0.8823253
intcal20 40000 500 mode -41096
  68: -41879 -41648 0.13588731; -41496 -40851 0.54436725
  95: -42209 -40690 0.95000945
shcal20 1500 25 mode 620
  68: 595 637 0.68945031
  95: 548 558 0.039141747; 576 645 0.91636392
marine20 3000 40 mode -670
  68: -756 -584 0.68073981
  95: -803 -477 0.95047515
)";

// The reference's text of one calibration, probabilities rounded to 1e-6
// (the reference prints eight digits; leaving out the years below 1e-12 of
// the peak moves them by far less).
std::string reference_text(const std::string& curve, double age, double sigma,
                           const Calibration& c) {
  std::ostringstream out;
  out << curve << ' ' << age << ' ' << sigma << " mode " << c.date.mode << '\n';
  for (const auto& region : c.date.regions) {
    out << "  " << region.level << ':';
    const char* separator = " ";
    for (const auto& i : region.intervals) {
      out << separator << i.from << ' ' << i.to << ' ' << std::llround(i.probability * 1e6);
      separator = "; ";
    }
    out << '\n';
  }
  return out.str();
}

TEST(Calibrate, AgreesWithTheIndependentComputationOnEveryCase) {
  std::istringstream lines(REFERENCE);
  std::string expected;
  std::string computed;
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] != ' ') {
      std::istringstream head(line);
      std::string curve;
      double age = 0.0;
      double sigma = 0.0;
      head >> curve >> age >> sigma;
      const Calibration c =
          radiocarbon::calibrate(gridded(curve), {age, sigma}, std::vector{68.0, 95.0});
      computed += reference_text(curve, age, sigma, c);
      expected += line + '\n';
    } else {
      // "  68: from to p; from to p", probabilities in millionths as
      // reference_text writes them.
      const std::size_t colon = line.find(':');
      std::string out = line.substr(0, colon + 1);
      std::istringstream parts(line.substr(colon + 1));
      std::string part;
      const char* separator = " ";
      while (std::getline(parts, part, ';')) {
        std::istringstream values(part);
        long from = 0;
        long to = 0;
        double p = 0.0;
        values >> from >> to >> p;
        out += separator + std::to_string(from) + ' ' + std::to_string(to) + ' ' +
               std::to_string(std::llround(p * 1e6));
        separator = "; ";
      }
      expected += out + '\n';
    }
  }
  EXPECT_EQ(computed, expected);
}

// IntCal20 holds 6377 +- 18 from 7305 to 7300 cal BP (5355 to 5350 BCE,
// years -5355 to -5350): six years of exactly one density. An HPD region
// that reaches its level on one of them takes them all.
TEST(Calibrate, AFlatStretchOfTheCurveStaysInOneInterval) {
  const Calibration c =
      radiocarbon::calibrate(gridded("intcal20"), {6377.0, 18.0}, std::vector{1.0});
  const auto at = [&](int year) {
    return c.date.combined[static_cast<std::size_t>(year - c.date.first_year)];
  };
  for (int year = -5354; year <= -5350; ++year) EXPECT_EQ(at(year), at(-5355)) << year;
  EXPECT_LT(at(-5349), at(-5355));
  EXPECT_LT(at(-5356), at(-5355));
  EXPECT_EQ(c.date.mode, -5355);
  ASSERT_EQ(c.date.regions.size(), 1u);
  ASSERT_EQ(c.date.regions[0].intervals.size(), 1u);
  EXPECT_EQ(c.date.regions[0].intervals[0].from, -5355);
  EXPECT_EQ(c.date.regions[0].intervals[0].to, -5350);
  EXPECT_DOUBLE_EQ(c.date.regions[0].total, 6 * at(-5355));
}

// 3000 +- 40 with Delta R = 100 +- 30 is, on Marine20, the age 2900 +- 50
// (40^2 + 30^2 = 50^2, all exact): the same calibration, bit for bit.
TEST(Calibrate, DeltaRIsTheAgeShiftedByHand) {
  const std::vector levels{68.0, 95.0};
  const Calibration shifted =
      radiocarbon::calibrate(gridded("marine20"), {3000.0, 40.0, 100.0, 30.0}, levels);
  const Calibration by_hand = radiocarbon::calibrate(gridded("marine20"), {2900.0, 50.0}, levels);
  EXPECT_EQ(shifted.date.first_year, by_hand.date.first_year);
  EXPECT_EQ(shifted.date.combined, by_hand.date.combined);
  EXPECT_EQ(shifted.date.mode, by_hand.date.mode);
  ASSERT_EQ(shifted.date.regions.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& a = shifted.date.regions[i].intervals;
    const auto& b = by_hand.date.regions[i].intervals;
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
      EXPECT_EQ(a[k].from, b[k].from);
      EXPECT_EQ(a[k].to, b[k].to);
    }
  }
  // And unshifted it is another date, some 100 years older.
  const Calibration plain = radiocarbon::calibrate(gridded("marine20"), {3000.0, 40.0}, levels);
  EXPECT_LT(plain.date.mode, shifted.date.mode - 50);
}

// The row of an event at 0 cal BP (AD 1950, 199 +- 11) by hand, and a
// single-row event's date the calibration's density.
TEST(RowLikelihood, FollowsTheArchaeomagneticConventionAndDatesAsTheCalibration) {
  const GriddedCalibrationCurve& curve = gridded("intcal20");
  const C14Age age{2450.0, 30.0};
  const dating::RowLikelihood whole = radiocarbon::row_likelihood(curve, age, curve.span());
  EXPECT_EQ(whole.components, 1);
  EXPECT_EQ(whole.first_year, -53050);
  ASSERT_EQ(whole.size(), 55001u);
  const double chi2 = (2450.0 - 199.0) * (2450.0 - 199.0) / (900.0 + 121.0);
  EXPECT_DOUBLE_EQ(whole.chi_square.back(), chi2);
  EXPECT_DOUBLE_EQ(whole.log_likelihood.back(), -chi2 / 2 - std::log(std::sqrt(1021.0)));

  const Calibration c = radiocarbon::calibrate(curve, age, std::vector{95.0});
  const dating::EventDate event = dating::date_event(std::vector{whole}, std::vector{95.0});
  EXPECT_EQ(event.mode, c.date.mode);
  for (std::size_t i = 0; i < c.date.combined.size(); ++i) {
    const int year = c.date.first_year + static_cast<int>(i);
    EXPECT_NEAR(event.density.at(year), c.date.combined[i], 1e-12) << year;
  }
  ASSERT_EQ(event.regions[0].intervals.size(), c.date.regions[0].intervals.size());
  for (std::size_t k = 0; k < c.date.regions[0].intervals.size(); ++k) {
    EXPECT_EQ(event.regions[0].intervals[k].from, c.date.regions[0].intervals[k].from);
    EXPECT_EQ(event.regions[0].intervals[k].to, c.date.regions[0].intervals[k].to);
  }

  const dating::RowLikelihood part = radiocarbon::row_likelihood(curve, age, {1000, 1950});
  EXPECT_EQ(part.first_year, 1000);
  EXPECT_EQ(part.log_likelihood.back(), whole.log_likelihood.back());
  EXPECT_THROW(radiocarbon::row_likelihood(curve, age, {1000, 1951}), std::invalid_argument);
}

// IntCal20's youngest age is 95 +- 10 (AD 1901 and 1902, the earlier
// named), its oldest 50193 +- 568 (year -51110). 50500 +- 300 lies above
// it by 307 / sqrt(300^2 + 568^2) = 0.478 sigmas: 68.4% of it.
TEST(Calibrate, AgesBeyondTheCurveAreWarnedOfOrRefused) {
  const GriddedCalibrationCurve& curve = gridded("intcal20");
  const Calibration young = radiocarbon::calibrate(curve, {150.0, 30.0}, std::vector{95.0});
  EXPECT_NEAR(young.beyond_youngest, 0.5 * std::erfc(55.0 / std::sqrt(1000.0) / std::sqrt(2.0)),
              1e-15);
  EXPECT_EQ(young.beyond_oldest, 0.0);
  EXPECT_THAT(young.date.warnings,
              ElementsAre("the 95% HPD interval ends at the curve's last year, 1950 AD: the date "
                          "may lie after the curve's span",
                          "4.1% of the measured age lies below the youngest age of IntCal20, 95 "
                          "BP at 1901 AD: the date may lie after the curve's span"));
  const Calibration old = radiocarbon::calibrate(curve, {50500.0, 300.0}, std::vector{95.0});
  EXPECT_THAT(old.date.warnings,
              ElementsAre("the 95% HPD interval begins at the curve's first year, year -53050: "
                          "the date may lie before the curve's span",
                          "68.4% of the measured age lies above the oldest age of IntCal20, "
                          "50193 BP at year -51110: the date may lie before the curve's span"));
  EXPECT_TRUE(
      radiocarbon::calibrate(curve, {2450.0, 30.0}, std::vector{95.0}).date.warnings.empty());

  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::tuple<C14Age, std::string, std::string>> refused = {
      {{nan, 30.0}, "c14_age", "the 14C age is not a finite number"},
      {{2450.0, 0.0}, "c14_sigma", "the 14C age's sigma must be a positive number"},
      {{2450.0, -30.0}, "c14_sigma", "the 14C age's sigma must be a positive number"},
      {{2450.0, inf}, "c14_sigma", "the 14C age's sigma must be a positive number"},
      {{2450.0, 30.0, inf, 0.0}, "delta_r", "Delta R is not a finite number"},
      {{2450.0, 30.0, 0.0, -1.0}, "delta_r_sigma", "Delta R's sigma must be a number, 0 or more"},
      {{60000.0, 500.0},
       "c14_age",
       "the 14C age 60000 +- 500 BP is older than the oldest age of IntCal20, 50193 BP, by more "
       "than 4 sigmas; it cannot be calibrated"},
      {{-200.0, 30.0},
       "c14_age",
       "the 14C age -200 +- 30 BP is younger than the youngest age of IntCal20, 95 BP, by more "
       "than 4 sigmas; it cannot be calibrated"},
      {{400.0, 30.0, 600.0, 0.0},
       "c14_age",
       "the 14C age less Delta R (-200 +- 30 BP) is younger than the youngest age of IntCal20, "
       "95 BP, by more than 4 sigmas; it cannot be calibrated"},
  };
  for (const auto& [age, field, message] : refused) {
    for (int as_row = 0; as_row < 2; ++as_row) {
      try {
        if (as_row) {
          radiocarbon::row_likelihood(curve, age, curve.span());
        } else {
          radiocarbon::calibrate(curve, age, std::vector{95.0});
        }
        ADD_FAILURE() << message;
      } catch (const dating::MeasurementError& e) {
        EXPECT_EQ(e.field(), field);
        EXPECT_EQ(std::string(e.what()), message);
      }
    }
  }
}

}  // namespace
