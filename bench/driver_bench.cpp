// The computing part of a run: the site set-up (geometry and the five cap
// basis evaluations, once per run) and the loop over the 381 epochs
// (without the file output).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "cap/cap_basis.hpp"
#include "cap/cap_frame.hpp"
#include "driver/coefficients.hpp"
#include "driver/constants.hpp"
#include "driver/error_estimates.hpp"
#include "driver/run.hpp"
#include "driver/site_basis.hpp"

namespace {

void prepare_site(double latitude, double longitude) {
  driver::reset_run_state();
  cap::load_cap_degrees(driver::cap_degree_table());
  cap::set_cap_pole(driver::CAP_POLE_LAT, driver::CAP_POLE_LON, latitude, longitude);
  driver::set_site(latitude, longitude);
}

void BM_SiteSetup(benchmark::State& state) {
  prepare_site(40.4, -3.7);
  for (auto _ : state) {
    driver::compute_site_basis();
    benchmark::DoNotOptimize(driver::basis_rows());
  }
}
BENCHMARK(BM_SiteSetup);

void BM_EpochLoop(benchmark::State& state) {
  prepare_site(40.4, -3.7);
  driver::compute_site_basis();
  // The coefficient file is read from the current directory: load it in a
  // scratch directory.
  const auto here = std::filesystem::current_path();
  std::string scratch = (std::filesystem::temp_directory_path() / "karven-bench-XXXXXX").string();
  if (mkdtemp(scratch.data()) == nullptr) {
    state.SkipWithError("no scratch directory");
    return;
  }
  std::filesystem::current_path(scratch);
  std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp");
  driver::load_coefficients();
  std::filesystem::current_path(here);
  std::filesystem::remove_all(scratch);
  driver::compute_site_factors();
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 1; i <= driver::N_EPOCHS; ++i) {
      const driver::EpochField field = driver::evaluate_epoch(i);
      const driver::EpochErrors errors = driver::estimate_errors(i, field);
      sum += field.D + field.I + field.F + errors.eD + errors.eI + errors.eF;
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_EpochLoop);

}  // namespace

BENCHMARK_MAIN();
