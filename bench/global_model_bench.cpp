// The field of ARCH10k.1 (degree 10) both ways a command asks for it: a map
// (one year, a site at every degree of latitude and longitude: 65,160
// sites) and a curve (one site, 10,000 years at one-year steps). Each
// counts site-years per second, all work included: the site's terms for
// every site of a map, the splines for every year of a curve.
#include <benchmark/benchmark.h>

#include <vector>

#include "geomodel/field.hpp"

namespace {

const geomodel::SplineModel& arch10k() {
  static const geomodel::SplineModel model =
      geomodel::read_spline_model(KARVEN_MODELS_DIR "/ARCH10k.1");
  return model;
}

void BM_MapOfTheWorldAtOneYear(benchmark::State& state) {
  const auto& model = arch10k();
  const auto gauss = geomodel::gauss_coefficients(model, -1000.0);
  std::size_t sites = 0;
  for (auto _ : state) {
    sites = 0;
    for (int lat = -90; lat <= 90; ++lat)
      for (int lon = -180; lon < 180; ++lon) {
        const geomodel::SiteTerms site(lat, lon, model.degree);
        benchmark::DoNotOptimize(site.field(gauss));
        ++sites;
      }
  }
  state.counters["site-years/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * sites), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MapOfTheWorldAtOneYear)->Unit(benchmark::kMillisecond);

void BM_CurveOfTenThousandYearsAtOneSite(benchmark::State& state) {
  const auto& model = arch10k();
  std::vector<double> years;
  for (int year = -8000; year <= 1990; ++year) years.push_back(year);
  for (auto _ : state) benchmark::DoNotOptimize(geomodel::field_curve(model, 31.78, 35.22, years));
  state.counters["site-years/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * years.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CurveOfTenThousandYearsAtOneSite)->Unit(benchmark::kMillisecond);

// Many sites over many years: a year's coefficients reused across the
// sites, each site's terms reused across the years.
void BM_SitesTimesYears(benchmark::State& state) {
  const auto& model = arch10k();
  std::vector<geomodel::SiteTerms> sites;
  for (int k = 0; k < 100; ++k) sites.emplace_back(-60.0 + 1.2 * k, -170.0 + 3.4 * k, model.degree);
  std::vector<geomodel::GaussCoefficients> years;
  for (int year = -8000; year <= 1990; year += 100)
    years.push_back(geomodel::gauss_coefficients(model, year));
  for (auto _ : state)
    for (const auto& gauss : years)
      for (const auto& site : sites) benchmark::DoNotOptimize(site.field(gauss));
  state.counters["site-years/s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * years.size() * sites.size()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SitesTimesYears)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
