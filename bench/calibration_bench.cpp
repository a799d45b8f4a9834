// Radiocarbon calibration at scale: 10,000 14C ages spread over the whole
// of IntCal20 (100 to 50,000 BP, sigmas of 20 years plus 1% of the age),
// each with its density, mode and 68% and 95% HPD intervals. The rate is
// reported as calibrations per second; the curve is read and gridded once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "radiocarbon/calibration.hpp"

namespace {

constexpr int AGES = 10000;

/// Ages over the curve's range (a fixed sequence, the same on every run).
std::vector<radiocarbon::C14Age> ages() {
  std::uint64_t state = 12345;
  auto uniform = [&state] {  // in [0, 1)
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  std::vector<radiocarbon::C14Age> all;
  all.reserve(AGES);
  for (int i = 0; i < AGES; ++i) {
    const double age = 100.0 + 49900.0 * uniform();
    all.push_back({age, 20.0 + 0.01 * age});
  }
  return all;
}

void BM_Calibrate10000Ages(benchmark::State& state) {
  const radiocarbon::GriddedCalibrationCurve curve =
      radiocarbon::grid_curve(radiocarbon::load_curve("intcal20"));
  const auto batch = ages();
  const std::vector<double> levels = {68.0, 95.0};
  for (auto _ : state) {
    for (const auto& age : batch) {
      radiocarbon::Calibration result = radiocarbon::calibrate(curve, age, levels);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * AGES);
  state.counters["calibrations/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * AGES, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Calibrate10000Ages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
