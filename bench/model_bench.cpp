// The model at many sites in one process: the demonstration model's curve
// (381 epochs with their errors) at 1,000 sites spread over the region,
// one after another. The rate is reported as curves per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "model/model.hpp"

namespace {

constexpr int SITES = 1000;

// Sites spread over the region by a fixed sequence, the same on every run.
std::vector<std::pair<double, double>> sites() {
  std::uint64_t state = 2024;
  auto uniform = [&state] {  // in [0, 1)
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  std::vector<std::pair<double, double>> all;
  for (int i = 0; i < SITES; ++i)
    all.emplace_back(35.0 + 25.0 * uniform(), -15.0 + 45.0 * uniform());
  return all;
}

void BM_CurvesAtManySites(benchmark::State& state) {
  const model::Model demo(KARVEN_DEMO_COEFFICIENTS);
  const auto where = sites();
  std::array<model::CurveValues, model::EPOCHS> epochs{};
  for (auto _ : state) {
    for (const auto& [latitude, longitude] : where) {
      demo.evaluate(latitude, longitude, epochs);
      benchmark::DoNotOptimize(epochs);
    }
  }
  state.counters["curves/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * SITES,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CurvesAtManySites)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
