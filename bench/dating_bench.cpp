// Dating at scale: 10,000 samples, each with a declination, inclination
// and intensity, against one curve of 381 epochs (0 to 1900 AD), at the
// 68% and 95% levels. The rate is reported as samples per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/reference_curve.hpp"
#include "curve/tests/synthetic_curve.hpp"
#include "dating/dating.hpp"

namespace {

constexpr int SAMPLES = 10000;

/// Samples spread over the curve's span, each off the curve by a few of
/// its own errors (a fixed sequence, the same on every run).
std::vector<std::vector<dating::MeasuredComponent>> samples() {
  std::uint64_t state = 12345;
  auto uniform = [&state] {  // in [0, 1)
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  std::vector<std::vector<dating::MeasuredComponent>> all;
  all.reserve(SAMPLES);
  for (int i = 0; i < SAMPLES; ++i) {
    const auto v = curve_test::smooth_values(1900.0 * uniform());
    dating::Measurement m;
    m.alpha95 = 2.0 + 4.0 * uniform();
    m.declination = v[0] + 8.0 * (uniform() - 0.5);
    m.inclination = v[1] + 4.0 * (uniform() - 0.5);
    m.intensity = v[2] + 6.0 * (uniform() - 0.5);
    m.intensity_sigma = 1.0 + 3.0 * uniform();
    all.push_back(dating::measured_components(m));
  }
  return all;
}

// Argument 0: the report's results only; 1: also each component's own
// density, as a density file or a figure needs.
void BM_Date10000Samples(benchmark::State& state) {
  const bool component_densities = state.range(0) != 0;
  const curve::Curve file = curve::read_curve_text(curve_test::smooth_curve_text(), "synthetic");
  const dating::GriddedCurve grid = dating::grid_curve(curve::reference_curve(file));
  const auto batch = samples();
  const std::vector<double> levels = {68.0, 95.0};
  for (auto _ : state) {
    for (const auto& measured : batch) {
      dating::DatingResult result =
          dating::date_measurement(grid, measured, levels, component_densities);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * SAMPLES);
  state.counters["samples/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * SAMPLES, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Date10000Samples)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
