#include "dating/dating.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "console/fields.hpp"
#include "curve/ref_file.hpp"

namespace {

using curve::Component;
using curve::ComponentSeries;
using curve::ReferenceCurve;
using dating::date_measurement;
using dating::DatingResult;
using dating::grid_curve;
using dating::measured_components;
using dating::Measurement;
using dating::MeasurementError;
using testing::ElementsAre;
using testing::NanSensitiveDoubleNear;
using testing::Pointwise;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double SQRT_2PI = 2.5066282746310002;  // sqrt(2 pi)

// alpha95 = 2.448 stands for an inclination sigma of exactly 1 degree.
constexpr double A95_SIGMA_1 = dating::CIRCULAR_95;

ComponentSeries series(const std::vector<double>& years, const std::function<double(double)>& value,
                       double sigma) {
  ComponentSeries s;
  for (const double year : years) {
    s.years.push_back(year);
    s.values.push_back(value(year));
    s.sigmas.push_back(sigma);
  }
  return s;
}

// 0, step, 2 step, ..., 1900.
std::vector<double> every(double step) {
  std::vector<double> years;
  for (double year = 0.0; year <= 1900.0; year += step) years.push_back(year);
  return years;
}

// An inclination curve rising linearly by 0.02 degree a year from 40
// degrees at 0 AD, with a sigma of 1 degree.
ReferenceCurve linear_inclination_curve() {
  ReferenceCurve reference;
  reference.source = "linear";
  reference[Component::inclination] = series(
      every(100.0), [](double t) { return 40.0 + 0.02 * t; }, 1.0);
  return reference;
}

DatingResult date_inclination(const ReferenceCurve& reference, double inclination,
                              const std::vector<double>& levels) {
  Measurement m;
  m.inclination = inclination;
  m.alpha95 = A95_SIGMA_1;
  return date_measurement(grid_curve(reference), measured_components(m), levels);
}

// The normal density of mean `mean` and spread sigma_t (years) at the
// years first to last: that of a curve of slope a degrees a year met at
// `mean` with constant variance V, sigma_t = sqrt(V) / a.
std::vector<double> normal_density(double mean, double sigma_t, int first, int last) {
  std::vector<double> density;
  for (int t = first; t <= last; ++t) {
    const double z = (t - mean) / sigma_t;
    density.push_back(std::exp(-0.5 * z * z) / (sigma_t * SQRT_2PI));
  }
  return density;
}

TEST(GridCurve, InterpolatesBetweenPointsAndBridgesNoGap) {
  ReferenceCurve reference;
  reference[Component::inclination] =
      ComponentSeries{{0, 5, 10, 15}, {1, NaN, 3, 4}, {.5, .5, .5, 1.5}};
  reference[Component::intensity] = ComponentSeries{{2.5, 20}, {50, 60}, {1, 2}};
  reference[Component::declination] = ComponentSeries{{0, 20}, {175, -165}, {1, 1}};
  const dating::GriddedCurve g = grid_curve(reference);
  // The span all three share: 2.5 to 15, in whole years 3 to 15.
  EXPECT_EQ(g.first_year, 3);
  EXPECT_EQ(g.last_year, 15);
  const auto& inc = *g[Component::inclination];
  // Years 3-9 touch the gap at 5; year 10 is a point and keeps its value.
  EXPECT_THAT(inc.values, Pointwise(NanSensitiveDoubleNear(1e-12),
                                    std::vector<double>{NaN, NaN, NaN, NaN, NaN, NaN, NaN, 3, 3.2,
                                                        3.4, 3.6, 3.8, 4}));
  EXPECT_THAT(inc.sigmas, Pointwise(NanSensitiveDoubleNear(1e-12),
                                    std::vector<double>{NaN, NaN, NaN, NaN, NaN, NaN, NaN, .5, .7,
                                                        .9, 1.1, 1.3, 1.5}));
  const auto& f = *g[Component::intensity];
  EXPECT_NEAR(f.values[0], 50 + 10 * 0.5 / 17.5, 1e-12);
  EXPECT_NEAR(f.sigmas.back(), 1 + 12.5 / 17.5, 1e-12);
  // 175 to -165 is 20 degrees east through 180: 1 degree a year.
  const auto& dec = *g[Component::declination];
  EXPECT_THAT(dec.values, Pointwise(NanSensitiveDoubleNear(1e-12),
                                    std::vector<double>{178, 179, -180, -179, -178, -177, -176,
                                                        -175, -174, -173, -172, -171, -170}));
}

// A linear inclination curve with a constant error gives a normal density
// in time: met at 1000 AD, V = 1 + 1 and sigma_t = sqrt(2) / 0.02 years.
TEST(DateMeasurement, LinearCurveGivesTheNormalDensityInTime) {
  const DatingResult r = date_inclination(linear_inclination_curve(), 60.0, {68.0, 95.0});
  const double sigma_t = std::sqrt(2.0) / 0.02;
  EXPECT_THAT(r.combined,
              Pointwise(testing::DoubleNear(1e-14), normal_density(1000, sigma_t, 0, 1900)));
  EXPECT_EQ(r.mode, 1000);
  EXPECT_THAT(r.components, ElementsAre(Component::inclination));
  EXPECT_EQ(r.densities[1], r.combined);
  EXPECT_TRUE(r.densities[0].empty() && r.densities[2].empty());
  // Normal quantiles: 68% within 0.994458 sigma, 95% within 1.959964.
  const double half_widths[] = {0.994458 * sigma_t, 1.959964 * sigma_t};
  ASSERT_EQ(r.regions.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(r.regions[i].level);
    ASSERT_EQ(r.regions[i].intervals.size(), 1u);
    const dating::HpdInterval& interval = r.regions[i].intervals[0];
    EXPECT_NEAR(interval.from, 1000 - half_widths[i], 1.0);
    EXPECT_NEAR(interval.to, 1000 + half_widths[i], 1.0);
    EXPECT_NEAR(interval.probability, r.regions[i].total, 1e-15);
    // The total passes the level by less than one year's probability.
    EXPECT_GE(r.regions[i].total, r.regions[i].level / 100);
    EXPECT_LT(r.regions[i].total, r.regions[i].level / 100 + r.combined[1000]);
  }
  EXPECT_EQ(r.min_chi_square, 0.0);
  EXPECT_EQ(r.closest_year, 1000);
  EXPECT_EQ(r.unusable_years, 0);
  EXPECT_TRUE(r.warnings.empty());
}

// A V-shaped curve met twice: at 900 AD on a slope of 0.05 degree a year,
// at 1200 AD on one of 0.025. The humps have equal heights, so their
// masses go as their spreads, 1 : 2, and the 95% region cuts each at
// +-1.96 of its spread.
TEST(DateMeasurement, TwoHumpsGiveTwoIntervalsWithTheirProbabilities) {
  ReferenceCurve reference;
  reference[Component::inclination] = ComponentSeries{{400, 1000, 1900}, {90, 60, 82.5}, {1, 1, 1}};
  const DatingResult r = date_inclination(reference, 65.0, {95.0});
  const double sigma_1 = std::sqrt(2.0) / 0.05;
  const double sigma_2 = std::sqrt(2.0) / 0.025;
  ASSERT_EQ(r.regions.size(), 1u);
  const auto& intervals = r.regions[0].intervals;
  ASSERT_EQ(intervals.size(), 2u);
  EXPECT_NEAR(intervals[0].from, 900 - 1.96 * sigma_1, 1.0);
  EXPECT_NEAR(intervals[0].to, 900 + 1.96 * sigma_1, 1.0);
  EXPECT_NEAR(intervals[0].probability, 0.95 / 3, 2e-3);
  EXPECT_NEAR(intervals[1].from, 1200 - 1.96 * sigma_2, 1.0);
  EXPECT_NEAR(intervals[1].to, 1200 + 1.96 * sigma_2, 1.0);
  EXPECT_NEAR(intervals[1].probability, 0.95 * 2 / 3, 2e-3);
  EXPECT_NEAR(r.regions[0].total, intervals[0].probability + intervals[1].probability, 1e-15);
  EXPECT_TRUE(r.warnings.empty());
}

// The declination turns east by 0.1 degree a year from 80 at 0 AD, through
// 180 at 1000 AD, to -90 at 1900 AD; a measured 180 (written any way) meets
// it at 1000 AD.
// sigma_D = 2.448 / (2.448 cos 60) = 2 and the curve's is 0: sigma_t = 20.
TEST(DateMeasurement, DeclinationIsComparedAcrossPlusMinus180) {
  ReferenceCurve reference;
  reference[Component::declination] = series(
      every(100.0), [](double t) { return t < 1000 ? 80 + 0.1 * t : -280 + 0.1 * t; }, 0.0);
  reference[Component::inclination] = series(
      every(100.0), [](double) { return 60.0; }, 1.0);
  const dating::GriddedCurve g = grid_curve(reference);
  const std::vector<double> expected = normal_density(1000, 20, 0, 1900);
  for (const double declination : {180.0, -180.0}) {
    SCOPED_TRACE(declination);
    Measurement m;
    m.declination = declination;
    m.inclination = 60;
    m.alpha95 = A95_SIGMA_1;
    const DatingResult r = date_measurement(g, measured_components(m), std::vector{95.0});
    EXPECT_THAT(r.components, ElementsAre(Component::declination, Component::inclination));
    EXPECT_THAT(r.densities[0], Pointwise(testing::DoubleNear(1e-14), expected));
    // The inclination meets the curve at every year alike: uniform.
    EXPECT_THAT(r.densities[1], testing::Each(testing::DoubleNear(1.0 / 1901, 1e-15)));
    EXPECT_THAT(r.combined, Pointwise(testing::DoubleNear(1e-14), expected));
    EXPECT_EQ(r.mode, 1000);
    ASSERT_EQ(r.regions[0].intervals.size(), 1u);
    EXPECT_NEAR(r.regions[0].intervals[0].from, 1000 - 1.96 * 20, 1.0);
    EXPECT_NEAR(r.regions[0].intervals[0].to, 1000 + 1.96 * 20, 1.0);
  }
}

// Measured -60 against a curve that never drops below 50: the likelihood
// at every year is below exp(-3000), but the density is still normalised,
// falling off from 0 AD by the ratio of the closed form.
TEST(DateMeasurement, FarOffMeasurementWarnsAndStillGivesADensity) {
  ReferenceCurve reference;
  reference[Component::inclination] = ComponentSeries{{0, 1900}, {50, 70}, {1, 1}};
  const DatingResult r = date_inclination(reference, -60.0, {95.0});
  EXPECT_THAT(r.combined, testing::Each(testing::AllOf(testing::Ge(0.0), testing::Le(1.0))));
  EXPECT_NEAR(std::accumulate(r.combined.begin(), r.combined.end(), 0.0), 1.0, 1e-15);
  const double a = 20.0 / 1900;  // the slope, degrees a year
  EXPECT_NEAR(r.combined[1] / r.combined[0], std::exp(-((110 + a) * (110 + a) - 110 * 110) / 4),
              1e-12);
  EXPECT_EQ(r.mode, 0);
  EXPECT_DOUBLE_EQ(r.min_chi_square, 110.0 * 110.0 / 2);
  EXPECT_THAT(r.warnings,
              ElementsAre("the 95% HPD interval begins at the curve's first year, 0 AD: the date "
                          "may lie before the curve's span",
                          "the measurement meets the curve nowhere: its smallest chi-square, "
                          "6050.00 at 0 AD, exceeds 3.841, the 95% point for 1 component; the "
                          "date is doubtful"));
}

// The curve's sigma grows from 1e-150 at 0 AD to 1e100 at 1900 AD, and the
// measurement meets the curve at every year: the density goes as 1 / sigma
// (the variances span 1e500, beyond any ratio of doubles).
TEST(DateMeasurement, ExtremeErrorsStillGiveANormalisedDensity) {
  ReferenceCurve reference;
  reference[Component::inclination] = ComponentSeries{{0, 1900}, {60, 60}, {1e-150, 1e100}};
  Measurement m;
  m.inclination = 60;
  m.alpha95 = 1e-200;
  const DatingResult r =
      date_measurement(grid_curve(reference), measured_components(m), std::vector{95.0});
  EXPECT_EQ(r.combined[0], 1.0);
  EXPECT_NEAR(r.combined[1] / r.combined[2], 2.0, 1e-12);
  EXPECT_NEAR(r.combined[1] / r.combined[1900], 1900.0, 1e-9);
  EXPECT_EQ(r.mode, 0);
  // Up to 1e200, the variance passes the largest double after 0 AD and is
  // taken at it: no NaN, all but year 0 alike.
  reference[Component::inclination]->sigmas = {1, 1e200};
  const DatingResult wide =
      date_measurement(grid_curve(reference), measured_components(m), std::vector{95.0});
  EXPECT_EQ(wide.combined[0], 1.0);
  EXPECT_THAT(std::vector(wide.combined.begin() + 1, wide.combined.end()),
              testing::Each(wide.combined[1]));
  EXPECT_NEAR(wide.combined[1] * std::sqrt(std::numeric_limits<double>::max()), 1.0, 1e-12);
}

// Met at 1890 AD, ten years before the curve ends; the point of 300 AD is
// a gap, so years 201 to 399 have no inclination.
TEST(DateMeasurement, IntervalCutByTheCurvesEndAndYearsWithoutValue) {
  ReferenceCurve reference = linear_inclination_curve();
  reference[Component::inclination]->values[3] = NaN;
  const DatingResult r = date_inclination(reference, 40.0 + 0.02 * 1890, {68.0, 95.0});
  EXPECT_EQ(r.mode, 1890);
  EXPECT_EQ(r.regions[0].intervals.back().to, 1900);
  EXPECT_EQ(r.regions[1].intervals.back().to, 1900);
  EXPECT_EQ(r.unusable_years, 199);
  EXPECT_EQ(r.combined[201], 0.0);
  EXPECT_EQ(r.combined[399], 0.0);
  EXPECT_GT(r.combined[400], 0.0);
  EXPECT_THAT(r.warnings,
              ElementsAre("the 68% HPD interval ends at the curve's last year, 1900 AD: the date "
                          "may lie after the curve's span",
                          "the 95% HPD interval ends at the curve's last year, 1900 AD: the date "
                          "may lie after the curve's span",
                          "199 of the curve's 1901 years have no value of a component measured "
                          "and cannot be the date"));
}

// A .ref curve with a step of 25 years up to 500 AD and of 10 years after
// it, I = 60 + 0.02 |t - 500| with sigma 1, is one curve: a measured 65
// (sigma 1) meets it at 250 and 750 AD alike, and the density is that of
// the closed form, exp(-(0.02 |t - 500| - 5)^2 / 4) normalised, the same
// mass on either side of 500 AD.
TEST(DateMeasurement, ACurveWhoseStepChangesDatesAsOneCurve) {
  std::string text = "# inclination, step 25 then 10 years\n";
  for (int year = 0; year <= 1000; year += year < 500 ? 25 : 10) {
    text += std::to_string(year) + "," + console::shortest_text(60 + 0.02 * std::abs(year - 500)) +
            ",1\n";
  }
  curve::RefFile file = curve::read_ref_text(text, "two_steps.ref");
  EXPECT_THAT(file.notes, testing::IsEmpty());
  ReferenceCurve reference;
  reference[Component::inclination] = std::move(file.series);
  const DatingResult r = date_inclination(reference, 65.0, {95.0});

  std::vector<double> expected;
  for (int t = 0; t <= 1000; ++t) {
    const double r_t = 0.02 * std::abs(t - 500) - 5.0;
    expected.push_back(std::exp(-r_t * r_t / 4.0));
  }
  const double sum = std::accumulate(expected.begin(), expected.end(), 0.0);
  for (double& p : expected) p /= sum;
  EXPECT_THAT(r.combined, Pointwise(testing::DoubleNear(1e-15), expected));
  const double before = std::accumulate(r.combined.begin(), r.combined.begin() + 500, 0.0);
  const double after = std::accumulate(r.combined.begin() + 501, r.combined.end(), 0.0);
  EXPECT_NEAR(before, after, 1e-14);
  EXPECT_NEAR(before, (1.0 - expected[500]) / 2, 1e-14);
  EXPECT_EQ(r.unusable_years, 0);
  ASSERT_EQ(r.regions[0].intervals.size(), 2u);
  EXPECT_NEAR(r.regions[0].intervals[0].probability, r.regions[0].intervals[1].probability,
              r.combined[250]);
}

// An interval stopped by years without a value warns as one stopped by the
// curve's end: the point of 1100 AD is a gap, so 1001-1199 AD have no
// inclination. Met at 1000 AD, the intervals end at the gap; met at
// 1100 AD, inside it, they end at it and begin again after it.
TEST(DateMeasurement, IntervalStoppedByAGapWarns) {
  ReferenceCurve reference = linear_inclination_curve();
  reference[Component::inclination]->values[11] = NaN;
  const std::string without_value =
      "199 of the curve's 1901 years have no value of a component measured and cannot be the "
      "date";
  const DatingResult met_before = date_inclination(reference, 60.0, {68.0});
  EXPECT_EQ(met_before.regions[0].intervals.back().to, 1000);
  EXPECT_THAT(met_before.warnings,
              ElementsAre("the 68% HPD interval ends at a gap in the curve, 1001-1199 AD: the "
                          "date may lie in the years without a value",
                          without_value));
  const DatingResult met_inside = date_inclination(reference, 62.0, {68.0, 95.0});
  EXPECT_THAT(met_inside.warnings,
              ElementsAre("the 68% HPD interval ends and begins again at a gap in the curve, "
                          "1001-1199 AD: the date may lie in the years without a value",
                          "the 95% HPD interval ends and begins again at a gap in the curve, "
                          "1001-1199 AD: the date may lie in the years without a value",
                          without_value));
}

// Sixteenths, so that every sum is exact. Equal probabilities are taken
// together: at 90% year 0 reaches the level, and year 3, tied with it, is
// taken too.
TEST(HpdRegions, YearsAreTakenByProbabilityUntilTheLevelIsReached) {
  const std::vector<double> p = {1 / 16., 3 / 16., 3 / 16., 1 / 16., 6 / 16., 2 / 16.};
  const auto regions = dating::hpd_regions(p, 1000, std::vector{60.0, 80.0, 90.0});
  ASSERT_EQ(regions.size(), 3u);
  auto intervals = [](const dating::HpdRegion& r) {
    std::vector<std::tuple<int, int, double>> v;
    for (const auto& i : r.intervals) v.emplace_back(i.from, i.to, i.probability);
    return v;
  };
  using T = std::tuple<int, int, double>;
  EXPECT_THAT(intervals(regions[0]), ElementsAre(T{1001, 1002, 6 / 16.}, T{1004, 1004, 6 / 16.}));
  EXPECT_EQ(regions[0].total, 12 / 16.);
  EXPECT_THAT(intervals(regions[1]), ElementsAre(T{1001, 1002, 6 / 16.}, T{1004, 1005, 8 / 16.}));
  EXPECT_EQ(regions[1].total, 14 / 16.);
  EXPECT_THAT(intervals(regions[2]), ElementsAre(T{1000, 1005, 1.0}));
  EXPECT_EQ(regions[2].total, 1.0);
}

TEST(MeasuredComponents, BadValuesNameTheirField) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    Measurement m;
    std::string field;
    std::string message;
  };
  auto direction = [](std::optional<double> d, std::optional<double> i, std::optional<double> a) {
    Measurement m;
    m.declination = d;
    m.inclination = i;
    m.alpha95 = a;
    return m;
  };
  auto intensity = [](std::optional<double> f, std::optional<double> s) {
    Measurement m;
    m.intensity = f;
    m.intensity_sigma = s;
    return m;
  };
  const std::vector<Case> cases = {
      {direction(NaN, 60, 3), "dec", "the declination is not a finite number: nan"},
      {direction({}, inf, 3), "inc", "the inclination is not a finite number: inf"},
      {direction({}, 60, 0), "a95", "alpha95 must lie between 0 and 90 degrees, both excluded: 0"},
      {direction({}, 60, 90), "a95",
       "alpha95 must lie between 0 and 90 degrees, both excluded: 90"},
      {direction({}, -90.5, 3), "inc",
       "the inclination must lie between -90 and 90 degrees: -90.5"},
      {direction(10, -90, 3), "dec",
       "a vertical direction (inclination 90 degrees) has no declination"},
      {direction(10, {}, 3), "dec",
       "a declination needs the inclination and alpha95, since its error depends on both; the "
       "inclination is missing"},
      {direction(10, 60, {}), "dec",
       "a declination needs the inclination and alpha95, since its error depends on both; "
       "alpha95 is missing"},
      // A value without its partner names the value given.
      {direction({}, 60, {}), "inc", "the inclination needs its alpha95, which is missing"},
      {direction({}, {}, 3), "a95", "alpha95 is given without an inclination"},
      {intensity(0, 2), "int", "the intensity must be positive: 0"},
      {intensity(50, -1), "sigma_int", "the intensity's sigma must be positive: -1"},
      {intensity(50, {}), "int", "the intensity needs its sigma, which is missing"},
      {intensity({}, 2), "sigma_int", "the intensity's sigma is given without an intensity"},
      {intensity(59000, 2500), "int",
       "the intensity is in microtesla, and 59000 uT is far above any field at the Earth's "
       "surface (200 uT at most); 59000 nT is 59 uT"},
      {Measurement{}, "",
       "no component measured: give an inclination with its alpha95, an intensity with its "
       "sigma, or both"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      measured_components(c.m);
      ADD_FAILURE() << "no MeasurementError";
    } catch (const MeasurementError& e) {
      EXPECT_EQ(e.field(), c.field);
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
