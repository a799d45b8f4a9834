// Dating a stratigraphic sequence exactly on the year grid: 100 events,
// each one row with a declination, inclination and intensity measured on
// superposed floors, against one curve of 381 epochs (0 to 1900 AD: 1,901
// years), at the 68% and 95% levels; then the same computation on normal
// likelihoods for a range of event counts n and years T, whose times
// should grow as n T.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/reference_curve.hpp"
#include "curve/tests/synthetic_curve.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"

namespace {

const std::vector<double> LEVELS = {68.0, 95.0};

/// Floors laid down one after the other over the curve's span, oldest
/// first, each measured off the curve by a few of its own errors (a fixed
/// sequence, the same on every run).
std::vector<dating::EventDate> floors(const dating::GriddedCurve& grid, int count) {
  std::uint64_t state = 4242;
  auto uniform = [&state] {  // in [0, 1)
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  const dating::YearSpan span{grid.first_year, grid.last_year};
  std::vector<dating::EventDate> events;
  for (int i = 0; i < count; ++i) {
    const double year = 50.0 + 1800.0 * i / count;
    const auto v = curve_test::smooth_values(year);
    dating::Measurement m;
    m.alpha95 = 2.0 + 3.0 * uniform();
    m.declination = v[0] + 4.0 * (uniform() - 0.5);
    m.inclination = v[1] + 2.0 * (uniform() - 0.5);
    m.intensity = v[2] + 3.0 * (uniform() - 0.5);
    m.intensity_sigma = 1.0 + 2.0 * uniform();
    const std::vector<dating::RowLikelihood> rows = {
        dating::row_likelihood(grid, dating::measured_components(m), span)};
    events.push_back(dating::date_event(rows, LEVELS));
  }
  return events;
}

// The sequence alone, from the events' likelihoods: what --sequence adds.
void BM_Sequence100EventsOn1901Years(benchmark::State& state) {
  const curve::Curve file = curve::read_curve_text(curve_test::smooth_curve_text(), "synthetic");
  const dating::GriddedCurve grid = dating::grid_curve(curve::reference_curve(file));
  const std::vector<dating::EventDate> events = floors(grid, 100);
  std::vector<std::span<const double>> logs;
  for (const dating::EventDate& event : events) logs.push_back(event.log_likelihood);
  for (auto _ : state) {
    dating::SequenceDate sequence = dating::date_sequence(grid.first_year, logs, LEVELS);
    benchmark::DoNotOptimize(sequence);
  }
}
BENCHMARK(BM_Sequence100EventsOn1901Years)->Unit(benchmark::kMillisecond);

// Everything from the measurements on: each row's likelihood, each event's
// date alone, then the sequence.
void BM_RowsEventsAndSequence100On1901Years(benchmark::State& state) {
  const curve::Curve file = curve::read_curve_text(curve_test::smooth_curve_text(), "synthetic");
  const dating::GriddedCurve grid = dating::grid_curve(curve::reference_curve(file));
  for (auto _ : state) {
    const std::vector<dating::EventDate> events = floors(grid, 100);
    std::vector<std::span<const double>> logs;
    for (const dating::EventDate& event : events) logs.push_back(event.log_likelihood);
    dating::SequenceDate sequence = dating::date_sequence(grid.first_year, logs, LEVELS);
    benchmark::DoNotOptimize(sequence);
  }
}
BENCHMARK(BM_RowsEventsAndSequence100On1901Years)->Unit(benchmark::kMillisecond);

// n events (argument 0) on T years (argument 1), each ln L a normal curve
// of spread T / 40 years, their peaks spread over the grid in order.
void BM_SequenceScaling(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const auto years = static_cast<std::size_t>(state.range(1));
  const double spread = static_cast<double>(years) / 40.0;
  std::vector<std::vector<double>> logs(n, std::vector<double>(years));
  for (std::size_t i = 0; i < n; ++i) {
    const double peak =
        (static_cast<double>(i) + 0.5) * static_cast<double>(years) / static_cast<double>(n);
    for (std::size_t k = 0; k < years; ++k) {
      const double z = (static_cast<double>(k) - peak) / spread;
      logs[i][k] = -0.5 * z * z;
    }
  }
  const std::vector<std::span<const double>> views(logs.begin(), logs.end());
  for (auto _ : state) {
    dating::SequenceDate sequence = dating::date_sequence(0, views, LEVELS);
    benchmark::DoNotOptimize(sequence);
  }
  state.SetComplexityN(static_cast<std::int64_t>(n * years));
  state.counters["ns per event-year"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(n * years),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SequenceScaling)
    ->Args({25, 1901})
    ->Args({50, 1901})
    ->Args({100, 1901})
    ->Args({200, 1901})
    ->Args({400, 1901})
    ->Args({100, 951})
    ->Args({100, 3802})
    ->Args({100, 7604})
    ->Args({100, 15208})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
