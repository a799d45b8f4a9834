#include "dating/chronology.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "console/fields.hpp"
#include "curve/tests/synthetic_curve.hpp"

namespace {

using curve::Component;
using curve::ComponentSeries;
using curve::ReferenceCurve;
using dating::date_event;
using dating::date_sequence;
using dating::EventDate;
using dating::Measurement;
using dating::RowLikelihood;
using dating::SequenceDate;
using dating::YearNotation;
using testing::ElementsAre;

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();

struct ChiSquarePoint {
  int degrees;
  double probability;
  double point;
};
#include "dating/tests/reference/chi_square_points.inc"

TEST(ChiSquareQuantile, MatchesTheReferencePoints) {
  for (const ChiSquarePoint& row : CHI_SQUARE_POINTS) {
    SCOPED_TRACE(std::to_string(row.degrees) + " degrees at " + std::to_string(row.probability));
    EXPECT_NEAR(dating::chi_square_quantile(row.probability, row.degrees), row.point,
                1e-12 * row.point);
  }
  // date_measurement's table holds the same points to three decimals.
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(console::fixed_text(dating::chi_square_quantile(0.95, k), 3),
              console::fixed_text(dating::CHI_SQUARE_95[k - 1], 3));
  }
}

TEST(YearNotation, WritesYearsSpansAndIntervals) {
  struct Row {
    int first;
    int last;
    const char* ad;
    const char* ce;
    const char* bp;
  };
  const Row rows[] = {
      {0, 0, "0 AD", "1 BCE", "1950 BP"},
      {-1, -1, "year -1", "2 BCE", "1951 BP"},
      {1, 1, "1 AD", "1 CE", "1949 BP"},
      {1900, 1900, "1900 AD", "1900 CE", "50 BP"},
      {-1, 1, "year -1 to 1 AD", "2 BCE to 1 CE", "1951-1949 BP"},
      {0, 1900, "0-1900 AD", "1 BCE to 1900 CE", "1950-50 BP"},
      {-500, -400, "year -500 to year -400", "501-401 BCE", "2450-2350 BP"},
      {1900, 2000, "1900-2000 AD", "1900-2000 CE", "50 BP to -50 BP"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.first) + " to " + std::to_string(row.last));
    EXPECT_EQ(dating::span_text(row.first, row.last, YearNotation::ad), row.ad);
    EXPECT_EQ(dating::span_text(row.first, row.last, YearNotation::ce), row.ce);
    EXPECT_EQ(dating::span_text(row.first, row.last, YearNotation::bp), row.bp);
    if (row.first == row.last) {
      EXPECT_EQ(dating::year_text(row.first, YearNotation::ad), row.ad);
      EXPECT_EQ(dating::year_text(row.first, YearNotation::ce), row.ce);
      EXPECT_EQ(dating::year_text(row.first, YearNotation::bp), row.bp);
    }
  }
  EXPECT_EQ(dating::interval_text({1200, 1300, 0.934}, YearNotation::ce), "1200-1300 CE (93.4%)");
  EXPECT_EQ(dating::interval_text({0, 0, 0.0004}, YearNotation::bp), "1950 BP (<0.1%)");
}

// A series of `value` every 5 years from first to last, with 95% errors.
ComponentSeries series(double first, double last, const std::function<double(double)>& value,
                       const std::function<double(double)>& error95) {
  ComponentSeries s;
  for (double t = first; t <= last; t += 5.0) {
    s.years.push_back(t);
    s.values.push_back(value(t));
    s.sigmas.push_back(error95(t) / curve::NORMAL_95);
  }
  return s;
}

// The synthetic curve of the curve tests over first to last, its
// inclination raised by `lift` degrees (another site).
dating::GriddedCurve smooth_curve(double first, double last, double lift) {
  ReferenceCurve reference;
  reference.source = "synthetic";
  for (const Component c : curve::COMPONENTS) {
    const auto k = static_cast<std::size_t>(c);
    reference[c] = series(
        first, last,
        [k, c, lift](double t) {
          return curve_test::smooth_values(t)[k] + (c == Component::inclination ? lift : 0.0);
        },
        [k](double t) { return curve_test::smooth_values(t)[k + 3]; });
  }
  return dating::grid_curve(reference);
}

void expect_same_regions(const std::vector<dating::HpdRegion>& a,
                         const std::vector<dating::HpdRegion>& b, double tolerance) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t r = 0; r < a.size(); ++r) {
    SCOPED_TRACE(a[r].level);
    EXPECT_NEAR(a[r].total, b[r].total, tolerance);
    ASSERT_EQ(a[r].intervals.size(), b[r].intervals.size());
    for (std::size_t i = 0; i < a[r].intervals.size(); ++i) {
      EXPECT_EQ(a[r].intervals[i].from, b[r].intervals[i].from);
      EXPECT_EQ(a[r].intervals[i].to, b[r].intervals[i].to);
      EXPECT_NEAR(a[r].intervals[i].probability, b[r].intervals[i].probability, tolerance);
    }
  }
}

// Row a (D, I and F) on a curve of 0 to 1900 AD, row b (I and F) on another
// site's curve of -100 to 1800 AD. Alone, each row is the sample that
// date_measurement dates; together, on the 0 to 1800 AD they share, the
// event's date is the product of their dates, normalised.
TEST(DateEvent, RowsGiveTheProductOfTheirDates) {
  const dating::GriddedCurve curve_a = smooth_curve(0, 1900, 0.0);
  const dating::GriddedCurve curve_b = smooth_curve(-100, 1800, 0.7);
  Measurement a;
  a.declination = 14.9;
  a.inclination = 55.31;
  a.alpha95 = 3.1;
  a.intensity = 63.4;
  a.intensity_sigma = 2.4;
  Measurement b;
  b.inclination = 55.93;
  b.alpha95 = 2.2;
  b.intensity = 61.7;
  b.intensity_sigma = 3.3;
  const auto measured_a = dating::measured_components(a);
  const auto measured_b = dating::measured_components(b);
  const std::vector<double> levels = {68.0, 95.0};
  const dating::DatingResult alone_a = dating::date_measurement(curve_a, measured_a, levels);
  const dating::DatingResult alone_b = dating::date_measurement(curve_b, measured_b, levels);

  const dating::YearSpan whole_a{curve_a.first_year, curve_a.last_year};
  const EventDate one =
      date_event(std::vector{dating::row_likelihood(curve_a, measured_a, whole_a)}, levels);
  for (int t = 0; t <= 1900; ++t) {
    ASSERT_NEAR(one.density.at(t), alone_a.combined[static_cast<std::size_t>(t)], 1e-15) << t;
  }
  EXPECT_EQ(one.mode, alone_a.mode);
  expect_same_regions(one.regions, alone_a.regions, 1e-13);
  EXPECT_EQ(one.degrees, 3);
  EXPECT_EQ(one.warnings, alone_a.warnings);

  const std::vector<const dating::GriddedCurve*> curves = {&curve_a, &curve_b};
  const dating::YearSpan shared = dating::shared_span(curves);
  EXPECT_EQ(shared.first_year, 0);
  EXPECT_EQ(shared.last_year, 1800);
  const EventDate both =
      date_event(std::vector{dating::row_likelihood(curve_a, measured_a, shared),
                             dating::row_likelihood(curve_b, measured_b, shared)},
                 levels);
  std::vector<double> product;
  for (int t = 0; t <= 1800; ++t) {
    product.push_back(alone_a.combined[static_cast<std::size_t>(t)] *
                      alone_b.combined[static_cast<std::size_t>(t + 100)]);
  }
  const double sum = std::accumulate(product.begin(), product.end(), 0.0);
  for (int t = 0; t <= 1800; ++t) {
    const double expected = product[static_cast<std::size_t>(t)] / sum;
    ASSERT_NEAR(both.density.at(t), expected, 1e-12 * expected + 1e-300) << t;
  }
  EXPECT_EQ(both.degrees, 5);
  EXPECT_TRUE(both.warnings.empty());
}

// Inclination rising by 0.02 degree a year from 40 at 0 AD, sigma 1; rows
// measured with sigma 1 (V = 2). I = 50 and 60 meet the curve at 500 and
// 1000 AD; chi^2(t) = ((50 - g)^2 + (60 - g)^2) / 2 is smallest at g = 55,
// 750 AD: 25, beyond 5.991 for 2 components. I = 55 and 55.5 agree.
TEST(DateEvent, RowsThatDisagreeRaiseTheConsistencyWarning) {
  ReferenceCurve reference;
  reference[Component::inclination] = series(
      0, 1900, [](double t) { return 40.0 + 0.02 * t; }, [](double) { return curve::NORMAL_95; });
  const dating::GriddedCurve curve = dating::grid_curve(reference);
  const auto rows = [&curve](double i1, double i2) {
    std::vector<RowLikelihood> both;
    for (const double i : {i1, i2}) {
      Measurement m;
      m.inclination = i;
      m.alpha95 = dating::CIRCULAR_95;
      both.push_back(dating::row_likelihood(curve, dating::measured_components(m),
                                            {curve.first_year, curve.last_year}));
    }
    return both;
  };
  const std::vector<double> levels = {95.0};
  const EventDate apart = date_event(rows(50, 60), levels);
  EXPECT_EQ(apart.min_chi_square, 25.0);
  EXPECT_EQ(apart.closest_year, 750);
  EXPECT_EQ(apart.mode, 750);
  EXPECT_THAT(apart.warnings,
              ElementsAre("the rows do not agree with one date: their smallest chi-square, 25.00 "
                          "at 750 AD, exceeds 5.991, the 95% point for 2 components; the event's "
                          "date is doubtful"));
  EXPECT_THAT(date_event(rows(50, 60), levels, YearNotation::bp).warnings,
              ElementsAre("the rows do not agree with one date: their smallest chi-square, 25.00 "
                          "at 1200 BP, exceeds 5.991, the 95% point for 2 components; the event's "
                          "date is doubtful"));
  EXPECT_TRUE(date_event(rows(55, 55.5), levels).warnings.empty());
}

// Event densities of every ordered tuple t_1 <= ... <= t_n counted one by
// one: the marginals p_i, normalised.
std::vector<std::vector<double>> brute_force(const std::vector<std::vector<double>>& logs) {
  const std::size_t n = logs.size();
  const std::size_t years = logs[0].size();
  std::vector<std::vector<double>> p(n, std::vector<double>(years, 0.0));
  std::vector<std::size_t> t(n, 0);
  while (true) {
    double log_weight = 0.0;
    for (std::size_t i = 0; i < n; ++i) log_weight += logs[i][t[i]];
    const double weight = std::exp(log_weight);
    for (std::size_t i = 0; i < n; ++i) p[i][t[i]] += weight;
    // The next ordered tuple: raise the last index that can rise, and set
    // the ones after it to its value.
    std::size_t i = n;
    while (i > 0 && t[i - 1] == years - 1) --i;
    if (i == 0) break;
    const std::size_t v = ++t[i - 1];
    for (std::size_t j = i; j < n; ++j) t[j] = v;
  }
  for (auto& density : p) {
    const double sum = std::accumulate(density.begin(), density.end(), 0.0);
    for (double& d : density) d /= sum;
  }
  return p;
}

std::vector<double> normalised_exp(const std::vector<double>& logs) {
  std::vector<double> q;
  for (const double l : logs) q.push_back(std::exp(l));
  const double sum = std::accumulate(q.begin(), q.end(), 0.0);
  for (double& v : q) v /= sum;
  return q;
}

// Sequences of 2, 3 and 5 events on 6 or 7 years, log-likelihoods spread
// over [-6, 0] with an impossible year, against the densities counted
// over every ordered tuple; again with each event's likelihood lowered by
// a factor exp(-1e5 i), far below the smallest double.
TEST(DateSequence, MatchesTheDensitiesCountedOverEveryOrderedTuple) {
  std::uint64_t state = 2024;
  const auto uniform = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  for (const std::size_t n : {2u, 3u, 5u}) {
    const std::size_t years = n == 5 ? 6 : 7;
    std::vector<std::vector<double>> logs(n);
    for (auto& l : logs) {
      for (std::size_t k = 0; k < years; ++k) l.push_back(-6.0 * uniform());
    }
    logs[1][2] = NEG_INF;
    const auto expected = brute_force(logs);
    for (const double lowered : {0.0, -1e5}) {
      SCOPED_TRACE(std::to_string(n) + " events, lowered by " + std::to_string(lowered));
      std::vector<std::vector<double>> given = logs;
      for (std::size_t i = 0; i < n; ++i) {
        for (double& l : given[i]) l += lowered * static_cast<double>(i + 1);
      }
      const std::vector<std::span<const double>> views(given.begin(), given.end());
      const SequenceDate s = date_sequence(-3, views, std::vector{95.0});
      ASSERT_EQ(s.events.size(), n);
      const double tolerance = lowered == 0.0 ? 1e-14 : 1e-10;
      double log_product = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE("event " + std::to_string(i + 1));
        for (std::size_t k = 0; k < years; ++k) {
          EXPECT_NEAR(s.events[i].density.at(-3 + static_cast<int>(k)), expected[i][k], tolerance)
              << "year " << -3 + static_cast<int>(k);
        }
        const std::vector<double> q = normalised_exp(logs[i]);
        double overlap = 0.0;
        double square = 0.0;
        for (std::size_t k = 0; k < years; ++k) {
          overlap += expected[i][k] * q[k];
          square += q[k] * q[k];
        }
        EXPECT_NEAR(s.events[i].agreement, 100.0 * overlap / square, 100.0 * tolerance);
        log_product += std::log(overlap / square);
      }
      EXPECT_NEAR(s.agreement, 100.0 * std::exp(log_product / std::sqrt(double(n))),
                  100.0 * tolerance);
    }
  }
}

// An event of one row, alone in a sequence: its date alone, bit for bit.
TEST(DateSequence, OneEventGivesItsDateAlone) {
  RowLikelihood row;
  row.first_year = 1000;
  row.components = 1;
  for (int k = 0; k < 300; ++k) {
    const double z = (k - 117.3) / 21.0;
    row.log_likelihood.push_back(-0.5 * z * z);
    row.chi_square.push_back(z * z);
  }
  const std::vector<double> levels = {68.0, 95.0};
  const EventDate event = date_event(std::vector{row}, levels);
  const std::vector<std::span<const double>> views = {event.log_likelihood};
  const SequenceDate s = date_sequence(event.first_year, views, levels);
  ASSERT_EQ(s.events.size(), 1u);
  EXPECT_EQ(s.events[0].density.first_year, event.density.first_year);
  EXPECT_EQ(s.events[0].density.values, event.density.values);
  EXPECT_EQ(s.events[0].mode, event.mode);
  expect_same_regions(s.events[0].regions, event.regions, 0.0);
  EXPECT_EQ(s.events[0].agreement, 100.0);
  EXPECT_EQ(s.agreement, 100.0);
  EXPECT_TRUE(s.events[0].warnings.empty());
  EXPECT_TRUE(s.warnings.empty());
}

// ln L of a normal density in time, of spread sigma years, on 0 to 1900 AD.
std::vector<double> normal_logs(double mean, double sigma) {
  std::vector<double> logs;
  for (int t = 0; t <= 1900; ++t) {
    const double z = (t - mean) / sigma;
    logs.push_back(-0.5 * z * z);
  }
  return logs;
}

// Two events dated alone at 1500 and 500 AD (spread 50 years), given as
// oldest first: the sequence forces them to meet near 1000 AD, where each
// date alone is some exp(-50) of its peak. Read the other way round the
// sequence agrees.
TEST(DateSequence, ContradictingPairRaisesTheAgreementWarnings) {
  const std::vector<double> late = normal_logs(1500, 50);
  const std::vector<double> early = normal_logs(500, 50);
  const std::vector<double> levels = {95.0};
  const std::vector<std::span<const double>> contradicting = {late, early};
  const SequenceDate s = date_sequence(0, contradicting, levels);
  const char* event_warning =
      "the event's date alone does not sit well in the sequence: its agreement index, 0.0%, is "
      "below 60%";
  for (const dating::DateInSequence& event : s.events) {
    EXPECT_NEAR(std::accumulate(event.density.values.begin(), event.density.values.end(), 0.0), 1.0,
                1e-14);
    EXPECT_GT(event.mode, 950);
    EXPECT_LT(event.mode, 1050);
    EXPECT_THAT(event.warnings, ElementsAre(event_warning));
  }
  EXPECT_THAT(s.warnings, ElementsAre("the sequence and the dates disagree: the overall agreement, "
                                      "0.0%, is below 60%"));

  const std::vector<std::span<const double>> agreeing = {early, late};
  const SequenceDate right = date_sequence(0, agreeing, levels);
  EXPECT_GT(right.agreement, 99.0);
  EXPECT_TRUE(right.warnings.empty());
  for (const dating::DateInSequence& event : right.events) EXPECT_TRUE(event.warnings.empty());

  // Held to years that cannot follow one another (the first after 4, the
  // second before 4), the events have no ordered tuple at all.
  const std::vector<double> after_4 = {NEG_INF, NEG_INF, NEG_INF, NEG_INF, NEG_INF, 0, 0, 0};
  const std::vector<double> before_4 = {0, 0, 0, 0, NEG_INF, NEG_INF, NEG_INF, NEG_INF};
  const std::vector<std::span<const double>> impossible = {after_4, before_4};
  try {
    date_sequence(0, impossible, levels);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "no ordered set of years is possible for the events of the sequence");
  }
}

// Three events on 0 to 1900 AD, the middle one two-humped and the last
// one of two rows, at the 68% and 95% levels: an event dated from a sum
// it takes over, and a sequence that keeps no density, give the same
// dates, bit for bit, as those that copy the sum and keep the densities.
TEST(DateSequence, TakingTheSumOverAndKeepingNoDensityChangeNoDate) {
  const std::vector<double> levels = {68.0, 95.0};
  const auto row_of = [](const std::vector<double>& logs) {
    RowLikelihood row;
    row.components = 2;
    row.log_likelihood = logs;
    for (const double l : logs) row.chi_square.push_back(-2.0 * l);
    return row;
  };
  std::vector<double> humps = normal_logs(700, 40);
  const std::vector<double> second = normal_logs(1100, 60);
  for (std::size_t k = 0; k < humps.size(); ++k) humps[k] = std::max(humps[k], second[k] - 0.3);
  RowLikelihood late = row_of(normal_logs(1250, 80));
  dating::add_row(late, row_of(normal_logs(1320, 50)));
  const std::vector<RowLikelihood> sums = {row_of(normal_logs(600, 70)), row_of(humps), late};

  std::vector<EventDate> events;
  for (const RowLikelihood& sum : sums) {
    const EventDate copied = date_event(sum, 1, levels);
    events.push_back(date_event(RowLikelihood(sum), 1, levels));
    const EventDate& taken = events.back();
    EXPECT_EQ(taken.log_likelihood, sum.log_likelihood);
    EXPECT_EQ(taken.density.first_year, copied.density.first_year);
    EXPECT_EQ(taken.density.values, copied.density.values);
    EXPECT_EQ(taken.mode, copied.mode);
    expect_same_regions(taken.regions, copied.regions, 0.0);
    EXPECT_EQ(taken.min_chi_square, copied.min_chi_square);
    EXPECT_EQ(taken.warnings, copied.warnings);
  }
  const std::vector<const EventDate*> pointers = {&events[0], &events[1], &events[2]};
  const SequenceDate kept = date_sequence(pointers, levels);
  const SequenceDate unkept = date_sequence(pointers, levels, YearNotation::ad, false);
  ASSERT_EQ(unkept.events.size(), kept.events.size());
  for (std::size_t i = 0; i < kept.events.size(); ++i) {
    SCOPED_TRACE("event " + std::to_string(i + 1));
    EXPECT_FALSE(kept.events[i].density.values.empty());
    EXPECT_TRUE(unkept.events[i].density.values.empty());
    EXPECT_EQ(unkept.events[i].mode, kept.events[i].mode);
    expect_same_regions(unkept.events[i].regions, kept.events[i].regions, 0.0);
    EXPECT_EQ(unkept.events[i].agreement, kept.events[i].agreement);
    EXPECT_EQ(unkept.events[i].warnings, kept.events[i].warnings);
  }
  EXPECT_EQ(unkept.agreement, kept.agreement);
  EXPECT_EQ(unkept.warnings, kept.warnings);
}

// 1,000 events on 200,000 years (-100000 to 99999), each ln L a normal
// curve in time of spread 30 years lowered by 1e6, dated alone 150 years
// apart, the oldest event dating youngest: each meets the others some
// 75,000 years off its peak, where its likelihood is exp(-3e6) of its
// peak. Every density stays finite and normalised, the dates in order.
TEST(DateSequence, ThousandEventsOnTwoHundredThousandYearsStayFinite) {
  constexpr std::size_t EVENTS = 1000;
  constexpr std::size_t YEARS = 200000;
  constexpr std::size_t SHIFT = 150;
  // Event i's grid is the buffer from i * SHIFT on: its peak lies at
  // 175,000 - i * SHIFT on it.
  std::vector<double> buffer(YEARS + (EVENTS - 1) * SHIFT);
  for (std::size_t k = 0; k < buffer.size(); ++k) {
    const double z = (static_cast<double>(k) - 175000.0) / 30.0;
    buffer[k] = -1e6 - 0.5 * z * z;
  }
  const std::span<const double> all = buffer;
  std::vector<std::span<const double>> views;
  for (std::size_t i = 0; i < EVENTS; ++i) views.push_back(all.subspan(i * SHIFT, YEARS));
  const SequenceDate s = date_sequence(-100000, views, std::vector{95.0});
  ASSERT_EQ(s.events.size(), EVENTS);
  int previous_mode = -100000;
  for (std::size_t i = 0; i < EVENTS; ++i) {
    const dating::DateInSequence& event = s.events[i];
    double sum = 0.0;
    for (const double v : event.density.values) {
      ASSERT_TRUE(std::isfinite(v) && v >= 0.0) << "event " << i;
      sum += v;
    }
    ASSERT_NEAR(sum, 1.0, 1e-12) << "event " << i;
    ASSERT_TRUE(event.agreement >= 0.0 && event.agreement < dating::AGREEMENT_THRESHOLD)
        << "event " << i << ": " << event.agreement;
    ASSERT_GE(event.mode, previous_mode) << "event " << i;
    previous_mode = event.mode;
  }
  EXPECT_EQ(s.agreement, 0.0);
  EXPECT_EQ(s.warnings.size(), 1u);
}

}  // namespace
