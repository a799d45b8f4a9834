// The speed of XDLEGF: the single values the cap basis asks for, runs of
// 1000 degrees and of 100 orders, and the growth of a run of degrees with
// its length.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "legendre/xdlegf.hpp"

namespace {

// The five (degree, order) pairs of the cap basis: its real degrees
// (single-precision roots, widened) with their orders.
struct CapPair {
  double degree;
  std::int32_t order;
};
constexpr std::array<CapPair, 5> CAP_PAIRS = {{
    {2.9322760105133057, 0},
    {5.012004852294922, 0},
    {2.2753965854644775, 1},
    {5.012004852294922, 1},
    {4.090468883514404, 2},
}};

// A cap colatitude of 20 degrees, in radians.
constexpr double COLATITUDE = 20 * 0.017453292519943295;

// One value of P^(m)_n (kind 3), one call, as the cap basis makes it.
void BM_CapValue(benchmark::State& state) {
  const CapPair pair = CAP_PAIRS[std::size_t(state.range(0))];
  std::array<double, 1> values{};
  std::array<std::int32_t, 1> indices{};
  for (auto _ : state) {
    legendre::XDLEGF(pair.degree, 0, pair.order, pair.order, COLATITUDE, 3, values, indices);
    benchmark::DoNotOptimize(values.data());
  }
}
BENCHMARK(BM_CapValue)->DenseRange(0, 4)->ArgName("pair");

// The two single calls at the degree and at the degree less 1 that the cap
// basis makes for one pair.
void BM_CapValueAndDegreeBelow(benchmark::State& state) {
  const CapPair pair = CAP_PAIRS[std::size_t(state.range(0))];
  std::array<double, 1> values{};
  std::array<std::int32_t, 1> indices{};
  for (auto _ : state) {
    legendre::XDLEGF(pair.degree, 0, pair.order, pair.order, COLATITUDE, 3, values, indices);
    benchmark::DoNotOptimize(values.data());
    legendre::XDLEGF(pair.degree - 1, 0, pair.order, pair.order, COLATITUDE, 3, values, indices);
    benchmark::DoNotOptimize(values.data());
  }
}
BENCHMARK(BM_CapValueAndDegreeBelow)->DenseRange(0, 4)->ArgName("pair");

// P^(2)_nu at the degrees 0.5, 1.5, ..., 0.5 + (n - 1), one call; n is the
// argument. Linear in n: one series pair and n recurrence steps.
void BM_RunOfDegrees(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  std::vector<double> values(static_cast<std::size_t>(n));
  std::vector<std::int32_t> indices(static_cast<std::size_t>(n));
  for (auto _ : state) {
    legendre::XDLEGF(0.5, n - 1, 2, 2, 0.7, 3, values, indices);
    benchmark::DoNotOptimize(values.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RunOfDegrees)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);

// P^(mu)_100.5 for the orders 0..99, one call.
void BM_RunOfOrders(benchmark::State& state) {
  std::vector<double> values(100);
  std::vector<std::int32_t> indices(100);
  for (auto _ : state) {
    legendre::XDLEGF(100.5, 0, 0, 99, 0.7, 3, values, indices);
    benchmark::DoNotOptimize(values.data());
  }
}
BENCHMARK(BM_RunOfOrders);

}  // namespace

BENCHMARK_MAIN();
