#include "dating/dating.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <string_view>
#include <utility>

#include "console/fields.hpp"
#include "console/number_chars.hpp"
#include "dating/terms.hpp"

namespace dating {

namespace {

/// The number a notation writes for a year, and whether it is a plain
/// count (not negative) under the notation's suffix.
struct Written {
  long long number;
  const char* suffix;
  bool plain;
};

Written written(int year, YearNotation notation) {
  const long long t = year;
  switch (notation) {
    case YearNotation::ce:
      return t >= 1 ? Written{t, " CE", true} : Written{1 - t, " BCE", true};
    case YearNotation::bp:
      return {1950 - t, " BP", 1950 - t >= 0};
    case YearNotation::ad:
      break;
  }
  return {t, " AD", t >= 0};
}

using terms::check_levels;
using terms::ComponentTerms;
using terms::field_of;
using terms::Term;
using terms::wrap_angle;

constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NEG_INF = -INF;
bool usable_point(const curve::ComponentSeries& series, std::size_t i) {
  return std::isfinite(series.values[i]) && std::isfinite(series.sigmas[i]);
}

void check_series(const curve::ComponentSeries& series, Component component) {
  const std::string name = curve::component_name(component);
  if (series.values.size() != series.years.size() || series.sigmas.size() != series.years.size()) {
    throw std::invalid_argument("the " + name + " series has as many years as values and sigmas");
  }
  for (std::size_t i = 0; i < series.years.size(); ++i) {
    if (!std::isfinite(series.years[i]) || std::fabs(series.years[i]) > MAX_CURVE_YEAR) {
      throw std::invalid_argument("the " + name + " series has a year outside +-" +
                                  console::shortest_text(MAX_CURVE_YEAR) + ": " +
                                  console::shortest_text(series.years[i]));
    }
    if (i > 0 && !(series.years[i] > series.years[i - 1])) {
      throw std::invalid_argument("the years of the " + name + " series do not increase at " +
                                  console::shortest_text(series.years[i]));
    }
  }
}

/// One series on the grid of whole years first_year, first_year + 1, ...
GriddedComponent grid_series(const curve::ComponentSeries& series, Component component,
                             int first_year, std::size_t size) {
  GriddedComponent gridded;
  gridded.values.assign(size, NO_VALUE);
  gridded.sigmas.assign(size, NO_VALUE);
  std::size_t j = 0;  // the point at or before the year
  for (std::size_t k = 0; k < size; ++k) {
    const double year = first_year + static_cast<double>(k);
    while (j + 1 < series.years.size() && series.years[j + 1] <= year) ++j;
    if (series.years[j] == year) {
      if (usable_point(series, j)) {
        gridded.values[k] = series.values[j];
        gridded.sigmas[k] = series.sigmas[j];
      }
      continue;
    }
    // The grid lies within the series' span, so a later point exists.
    if (!usable_point(series, j) || !usable_point(series, j + 1)) continue;
    const double f = (year - series.years[j]) / (series.years[j + 1] - series.years[j]);
    const double v0 = series.values[j];
    const double v1 = series.values[j + 1];
    if (component == Component::declination) {
      gridded.values[k] = wrap_angle(v0 + f * wrap_angle(v1 - v0));
    } else {
      gridded.values[k] = v0 + f * (v1 - v0);
    }
    gridded.sigmas[k] = series.sigmas[j] + f * (series.sigmas[j + 1] - series.sigmas[j]);
  }
  return gridded;
}

/// Keeps the index of the largest of a sequence, the first among equals;
/// -1 while every one is -inf.
struct Largest {
  double value = NEG_INF;
  std::ptrdiff_t at = -1;
  void add(double x, std::size_t k) {
    if (x > value) {
      value = x;
      at = static_cast<std::ptrdiff_t>(k);
    }
  }
};

/// Widest ratio of the products of variances over the years for which
/// density_of takes square roots rather than logarithms: the density is
/// then at most sqrt(1e200) times its value at the closest year.
constexpr double MAX_VARIANCE_RATIO = 1e200;

/// The probability per year of a likelihood exp(-q/2) / sqrt(P), normalised
/// to sum 1, into `density`: q is a sum of r^2 / V (NaN where the curve has
/// no value: probability 0), P the product of the variances V. The
/// log-likelihood -q/2 - ln(P)/2 is taken relative to its value at t*, the
/// year of smallest q:
///     exp(-(q - q*)/2) * sqrt(P* / P),
/// which is 1 at t*, so that the sum is at least 1 and never 0/0 however
/// far the measurement lies from the curve. Should P range over more than
/// MAX_VARIANCE_RATIO (nowhere in a real curve), the logarithms are taken
/// instead, relative to the largest: exp(l - l_max), l = -q/2 - ln(P)/2,
/// with ln P from log_variances(k).
///
/// @return the index of the most probable year, the first among equals, or
///         -1 when q is infinite or NaN at every year (density then unspecified)
template <class LogVariances>
std::ptrdiff_t density_of(std::span<const double> q, std::span<const double> P,
                          LogVariances log_variances, std::vector<double>& density) {
  const std::size_t n = q.size();
  std::size_t closest = n;
  double q_closest = INF;
  double smallest_p = INF;
  double largest_p = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isnan(q[k])) continue;
    if (q[k] < q_closest) {
      q_closest = q[k];
      closest = k;
    }
    const double p = P[k];
    smallest_p = p < smallest_p ? p : smallest_p;
    largest_p = p > largest_p ? p : largest_p;
  }
  if (closest == n) return -1;

  density.resize(n);
  Largest largest;
  if (smallest_p >= std::numeric_limits<double>::min() && largest_p < INF &&
      largest_p <= MAX_VARIANCE_RATIO * smallest_p) {
    const double p_closest = P[closest];
    for (std::size_t k = 0; k < n; ++k) {
      density[k] = std::isnan(q[k])
                       ? 0.0
                       : std::exp(-0.5 * (q[k] - q_closest)) * std::sqrt(p_closest / P[k]);
      largest.add(density[k], k);
    }
  } else {
    for (std::size_t k = 0; k < n; ++k) {
      density[k] = std::isnan(q[k]) ? NEG_INF : -0.5 * q[k] - 0.5 * log_variances(k);
      largest.add(density[k], k);
    }
    if (largest.at < 0) return -1;
    for (double& d : density) d = std::exp(d - largest.value);
  }
  double sum = 0.0;
  for (const double d : density) sum += d;
  const double scale = 1.0 / sum;
  for (double& d : density) d *= scale;
  return largest.at;
}

std::string region_name(const HpdRegion& region) {
  return console::shortest_text(region.level) + "% HPD interval";
}

/// The 95% point of the chi-square distribution with 1, 2 or 3 degrees
/// of freedom.
double chi_square_95(std::size_t degrees) {
  return CHI_SQUARE_95[std::min<std::size_t>(degrees, CHI_SQUARE_95.size()) - 1];
}

}  // namespace

std::string year_text(int year, YearNotation notation) {
  if (notation == YearNotation::ad && year < 0) return "year " + std::to_string(year);
  const Written w = written(year, notation);
  return std::to_string(w.number) + w.suffix;
}

std::string span_text(int first, int last, YearNotation notation) {
  if (first == last) return year_text(first, notation);
  const Written a = written(first, notation);
  const Written b = written(last, notation);
  if (a.plain && b.plain && std::string_view(a.suffix) == b.suffix) {
    return std::to_string(a.number) + "-" + std::to_string(b.number) + a.suffix;
  }
  return year_text(first, notation) + " to " + year_text(last, notation);
}

std::string percent_text(double probability) {
  const std::string text = console::fixed_text(100.0 * probability, 1);
  if (text == "0.0" && probability > 0.0) return "<0.1%";
  return text + "%";
}

std::string interval_text(const HpdInterval& interval, YearNotation notation) {
  return span_text(interval.from, interval.to, notation) + " (" +
         percent_text(interval.probability) + ")";
}

std::string chi_square_text(double chi_square) {
  if (!(std::fabs(chi_square) >= 1e6)) return console::fixed_text(chi_square, 2);
  char text[32];
  const auto end =
      console::to_chars(text, text + sizeof text, chi_square, std::chars_format::scientific, 2);
  return std::string(text, end.ptr);
}

std::string off_curve_warning(const std::string& what, double min_chi_square, int closest_year,
                              double limit, int components, YearNotation notation) {
  return what + " meets the curve nowhere: its smallest chi-square, " +
         chi_square_text(min_chi_square) + " at " + year_text(closest_year, notation) +
         ", exceeds " + console::fixed_text(limit, 3) + ", the 95% point for " +
         std::to_string(components) + (components == 1 ? " component" : " components") +
         "; the date is doubtful";
}

std::vector<MeasuredComponent> measured_components(const Measurement& measurement) {
  struct Given {
    const std::optional<double>& value;
    const char* field;
    const char* name;
  };
  const Given given[] = {{measurement.declination, "dec", "declination"},
                         {measurement.inclination, "inc", "inclination"},
                         {measurement.alpha95, "a95", "alpha95"},
                         {measurement.intensity, "int", "intensity"},
                         {measurement.intensity_sigma, "sigma_int", "intensity's sigma"}};
  for (const Given& g : given) {
    if (g.value && !std::isfinite(*g.value)) {
      throw MeasurementError(g.field, std::string("the ") + g.name + " is not a finite number: " +
                                          console::shortest_text(*g.value));
    }
  }
  const std::optional<double>& dec = measurement.declination;
  const std::optional<double>& inc = measurement.inclination;
  const std::optional<double>& a95 = measurement.alpha95;
  const std::optional<double>& f = measurement.intensity;
  const std::optional<double>& sigma_f = measurement.intensity_sigma;
  if (a95 && !(*a95 > 0.0 && *a95 < 90.0)) {
    throw MeasurementError("a95", "alpha95 must lie between 0 and 90 degrees, both excluded: " +
                                      console::shortest_text(*a95));
  }
  if (dec && !(std::fabs(*dec) <= 360.0)) {
    throw MeasurementError("dec", "the declination must lie between -360 and 360 degrees: " +
                                      console::shortest_text(*dec));
  }
  if (inc && !(*inc >= -90.0 && *inc <= 90.0)) {
    throw MeasurementError("inc", "the inclination must lie between -90 and 90 degrees: " +
                                      console::shortest_text(*inc));
  }
  if (f && !(*f > 0.0)) {
    throw MeasurementError("int", "the intensity must be positive: " + console::shortest_text(*f));
  }
  if (f && *f > MAX_INTENSITY) {
    throw MeasurementError("int", "the intensity is in microtesla, and " +
                                      console::shortest_text(*f) +
                                      " uT is far above any field at the Earth's surface (" +
                                      console::shortest_text(MAX_INTENSITY) + " uT at most); " +
                                      console::shortest_text(*f) + " nT is " +
                                      console::shortest_text(*f / 1000.0) + " uT");
  }
  if (sigma_f && !(*sigma_f > 0.0)) {
    throw MeasurementError(
        "sigma_int", "the intensity's sigma must be positive: " + console::shortest_text(*sigma_f));
  }
  if (dec && !(inc && a95)) {
    throw MeasurementError("dec", std::string("a declination needs the inclination and alpha95, "
                                              "since its error depends on both; ") +
                                      (inc ? "alpha95" : "the inclination") + " is missing");
  }
  if (dec && std::fabs(*inc) == 90.0) {
    throw MeasurementError("dec",
                           "a vertical direction (inclination 90 degrees) has no declination");
  }
  // A value without its partner: the message names the value given.
  if (inc && !a95) {
    throw MeasurementError("inc", "the inclination needs its alpha95, which is missing");
  }
  if (a95 && !inc) {
    throw MeasurementError("a95", "alpha95 is given without an inclination");
  }
  if (f && !sigma_f) {
    throw MeasurementError("int", "the intensity needs its sigma, which is missing");
  }
  if (sigma_f && !f) {
    throw MeasurementError("sigma_int", "the intensity's sigma is given without an intensity");
  }
  if (!inc && !f) {
    throw MeasurementError("",
                           "no component measured: give an inclination with its alpha95, "
                           "an intensity with its sigma, or both");
  }

  std::vector<MeasuredComponent> used;
  constexpr double DEG_TO_RAD = 0.017453292519943295;  // pi/180
  if (dec) {
    used.push_back(
        {Component::declination, *dec, *a95 / (CIRCULAR_95 * std::cos(*inc * DEG_TO_RAD))});
  }
  if (inc) used.push_back({Component::inclination, *inc, *a95 / CIRCULAR_95});
  if (f) used.push_back({Component::intensity, *f, *sigma_f});
  return used;
}

GriddedCurve grid_curve(const curve::ReferenceCurve& reference) {
  std::vector<Component> given;
  for (const Component c : curve::COMPONENTS) {
    if (reference[c]) given.push_back(c);
  }
  return grid_curve(reference, given);
}

GriddedCurve grid_curve(const curve::ReferenceCurve& reference, std::span<const Component> used) {
  std::array<bool, 3> on_grid{};
  for (const Component c : used) {
    if (!reference[c]) {
      throw std::invalid_argument(std::string("the curve gives no ") + curve::component_name(c));
    }
    on_grid[static_cast<std::size_t>(c)] = true;
  }
  double first = -std::numeric_limits<double>::infinity();
  double last = std::numeric_limits<double>::infinity();
  bool any = false;
  for (const Component c : curve::COMPONENTS) {
    const auto& series = reference[c];
    if (!on_grid[static_cast<std::size_t>(c)]) continue;
    check_series(*series, c);
    if (series->years.empty()) {
      throw std::invalid_argument(std::string("the ") + curve::component_name(c) +
                                  " series is empty");
    }
    any = true;
    first = std::max(first, series->years.front());
    last = std::min(last, series->years.back());
  }
  if (!any) throw std::invalid_argument("the curve gives no component");
  // The span of one curve, or of the curves used together.
  const char* shared = used.size() == 1 ? "the curve spans" : "the curves used share";
  first = std::ceil(first);
  last = std::floor(last);
  if (!(last > first)) {
    throw std::invalid_argument(std::string(shared) + " no span of two whole years");
  }
  GriddedCurve gridded;
  gridded.source = reference.source;
  gridded.first_year = static_cast<int>(first);
  gridded.last_year = static_cast<int>(last);
  for (const Component c : curve::COMPONENTS) {
    const auto& series = reference[c];
    if (!on_grid[static_cast<std::size_t>(c)]) continue;
    gridded.components[static_cast<std::size_t>(c)] =
        grid_series(*series, c, gridded.first_year, gridded.size());
  }
  return gridded;
}

namespace {

/// A year (its index on the grid) and its probability.
using YearProbability = std::pair<double, int>;

/// Sorts years by probability, highest first, the earlier year first among
/// equals. A density is made of a few humps, so the years in order of time
/// fall into a few runs that are already in that order (probability
/// falling or level) or in its reverse (rising, without ties): each of
/// these is put in order, then the runs are merged pairwise, in time
/// linear in the number of years for each doubling of the runs.
///
/// @param[out] merged, runs, joined  scratch, reused from call to call
void sort_by_probability(std::vector<YearProbability>& years, std::vector<YearProbability>& merged,
                         std::vector<std::size_t>& runs, std::vector<std::size_t>& joined) {
  const auto before = [](const YearProbability& a, const YearProbability& b) {
    return a.first > b.first || (a.first == b.first && a.second < b.second);
  };
  const std::size_t n = years.size();
  runs.assign(1, 0);
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    if (j < n && years[j].first > years[i].first) {
      while (j < n && years[j].first > years[j - 1].first) ++j;
      std::reverse(years.begin() + static_cast<std::ptrdiff_t>(i),
                   years.begin() + static_cast<std::ptrdiff_t>(j));
    } else {
      while (j < n && years[j].first <= years[j - 1].first) ++j;
    }
    runs.push_back(j);
    i = j;
  }
  merged.resize(n);
  while (runs.size() > 2) {
    joined.assign(1, 0);
    for (std::size_t r = 0; r + 1 < runs.size(); r += 2) {
      // Runs r and r + 1, or run r alone when it is the last.
      const std::size_t end = runs[std::min(r + 2, runs.size() - 1)];
      const auto at = [&](std::size_t i) { return years.begin() + static_cast<std::ptrdiff_t>(i); };
      std::merge(at(runs[r]), at(runs[r + 1]), at(runs[r + 1]), at(end),
                 merged.begin() + static_cast<std::ptrdiff_t>(runs[r]), before);
      joined.push_back(end);
    }
    years.swap(merged);
    runs.swap(joined);
  }
}

/// The working vectors of regions_of, kept from one call to the next: a
/// run dates many densities on one grid, and would otherwise allocate and
/// clear vectors of the grid's length for each.
struct RegionScratch {
  std::vector<YearProbability> order;
  std::vector<YearProbability> merged;
  std::vector<std::size_t> runs;
  std::vector<std::size_t> joined;
  std::vector<char> taken;
};

RegionScratch& region_scratch() {
  thread_local RegionScratch scratch;
  return scratch;
}

/// hpd_regions for probabilities that sum to `sum`.
std::vector<HpdRegion> regions_of(std::span<const double> probabilities, double sum, int first_year,
                                  std::span<const double> levels) {
  // The years by probability, highest first, the earlier year first among
  // equals: one sort serves every level. Years below `least` hold less
  // than sum * (1 - highest) together, so every region lies among the
  // years at or above it, and only those are sorted; should rounding keep
  // their sum below the highest level, all years are.
  const double highest = levels.empty() ? 0.0 : *std::max_element(levels.begin(), levels.end());
  const double least = sum * (1.0 - highest / 100.0) /
                       static_cast<double>(std::max<std::size_t>(probabilities.size(), 1));
  RegionScratch& scratch = region_scratch();
  std::vector<YearProbability>& order = scratch.order;
  auto sort_years = [&](double lowest) {
    order.clear();
    for (std::size_t k = 0; k < probabilities.size(); ++k) {
      if (probabilities[k] > 0.0 && probabilities[k] >= lowest) {
        order.emplace_back(probabilities[k], static_cast<int>(k));
      }
    }
    sort_by_probability(order, scratch.merged, scratch.runs, scratch.joined);
    double reached = 0.0;
    for (const auto& year : order) reached += year.first;
    return reached >= highest / 100.0;
  };
  order.reserve(probabilities.size());
  if (!sort_years(least)) sort_years(0.0);

  std::vector<HpdRegion> regions;
  regions.reserve(levels.size());
  std::vector<char>& taken = scratch.taken;
  taken.assign(probabilities.size(), 0);
  for (const double level : levels) {
    HpdRegion region{level, 0.0, {}};
    const double target = level / 100.0;
    // Years of probability 0 are never taken: should rounding keep the
    // sum of all the others just below the level, the region is all of
    // them.
    std::size_t first = taken.size();  // the span of the years taken
    std::size_t last = 0;
    // Years tied in probability with the last one taken are taken too,
    // so that a flat stretch of a curve is never split where nothing
    // changes.
    double last_taken = -1.0;
    for (const auto& [p, year] : order) {
      if (region.total >= target && p != last_taken) break;
      last_taken = p;
      region.total += p;
      const auto k = static_cast<std::size_t>(year);
      taken[k] = 1;
      first = std::min(first, k);
      last = std::max(last, k + 1);
    }
    for (std::size_t k = first; k < last; ++k) {
      if (!taken[k]) continue;
      const int from = static_cast<int>(k);
      double probability = 0.0;
      while (k < last && taken[k]) probability += probabilities[k++];
      region.intervals.push_back(
          {first_year + from, first_year + static_cast<int>(k) - 1, probability});
    }
    if (first < last) {
      std::fill(taken.begin() + static_cast<std::ptrdiff_t>(first),
                taken.begin() + static_cast<std::ptrdiff_t>(last), 0);
    }
    regions.push_back(std::move(region));
  }
  return regions;
}

}  // namespace

std::vector<HpdRegion> hpd_regions(std::span<const double> probabilities, int first_year,
                                   std::span<const double> levels) {
  check_levels(levels);
  return regions_of(probabilities, std::accumulate(probabilities.begin(), probabilities.end(), 0.0),
                    first_year, levels);
}

DatingResult date_measurement(const GriddedCurve& curve,
                              std::span<const MeasuredComponent> measured,
                              std::span<const double> levels, bool component_densities,
                              YearNotation notation) {
  check_levels(levels);
  const std::array<const MeasuredComponent*, 3> by_component =
      terms::measured_by_component(curve, measured);

  const std::size_t n = curve.size();
  DatingResult result;
  result.first_year = curve.first_year;
  std::vector<const MeasuredComponent*> used;
  for (const Component c : curve::COMPONENTS) {
    if (const MeasuredComponent* m = by_component[static_cast<std::size_t>(c)]) {
      result.components.push_back(c);
      used.push_back(m);
    }
  }

  // chi-square and the product of the variances at each year, NaN where a
  // component measured has no value.
  std::vector<ComponentTerms> terms;
  for (const MeasuredComponent* m : used) terms.emplace_back(*m, *curve[m->component]);
  std::vector<double> chi_square(n, 0.0);
  std::vector<double> variances(n, 1.0);
  for (const ComponentTerms& t : terms) {
    for (std::size_t k = 0; k < n; ++k) {
      const Term term = t.at(k);
      chi_square[k] += term.z2;
      variances[k] *= term.variance;
    }
  }

  // The components together: the product of their likelihoods, with
  // chi^2 and the product of the variances; ln of the product is the sum
  // of the logarithms where the product leaves the range of doubles.
  std::vector<double> combined;
  auto log_variances = [&](std::size_t k) {
    if (std::isnormal(variances[k])) return std::log(variances[k]);
    double sum = 0.0;
    for (const ComponentTerms& t : terms) sum += std::log(t.at(k).variance);
    return sum;
  };
  const std::ptrdiff_t mode = density_of(chi_square, variances, log_variances, combined);

  if (mode < 0) {
    const bool usable =
        std::any_of(chi_square.begin(), chi_square.end(), [](double x) { return !std::isnan(x); });
    if (!usable) {
      throw std::invalid_argument("no year of the curve has every component measured");
    }
    // Every usable year's likelihood is below the smallest double: the
    // measured value lies beyond any comparison with the curve.
    std::string field;
    for (std::size_t i = 0; i < used.size() && field.empty(); ++i) {
      bool comparable = false;
      for (std::size_t k = 0; k < n && !comparable; ++k) {
        comparable = terms[i].at(k).z2 < INF;
      }
      if (!comparable) field = field_of(used[i]->component);
    }
    throw MeasurementError(field,
                           "the measurement lies too far from the curve to be compared "
                           "with it: its likelihood is below the smallest double at "
                           "every year");
  }
  result.combined = std::move(combined);

  if (component_densities) {
    std::vector<double> z2(n);
    std::vector<double> variance(n);
    for (std::size_t i = 0; i < used.size(); ++i) {
      for (std::size_t k = 0; k < n; ++k) {
        const Term term = terms[i].at(k);
        z2[k] = term.z2;
        variance[k] = term.variance;
      }
      // Where the combined density is finite, so is each component's.
      density_of(
          z2, variance, [&](std::size_t k) { return std::log(variance[k]); },
          result.densities[static_cast<std::size_t>(used[i]->component)]);
    }
  }

  result.mode = curve.first_year + static_cast<int>(mode);

  result.min_chi_square = std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isnan(chi_square[k])) {
      ++result.unusable_years;
    } else if (chi_square[k] < result.min_chi_square) {
      result.min_chi_square = chi_square[k];
      result.closest_year = curve.first_year + static_cast<int>(k);
    }
  }

  result.regions = regions_of(result.combined, 1.0, curve.first_year, levels);

  // Warnings, one line each.
  for (const HpdRegion& region : result.regions) {
    if (region.intervals.empty()) continue;
    if (region.intervals.front().from == curve.first_year) {
      result.warnings.push_back(
          "the " + region_name(region) + " begins at the curve's first year, " +
          year_text(curve.first_year, notation) + ": the date may lie before the curve's span");
    }
    // An interval stopped by years without a value is cut as one at the
    // curve's end is: the date may lie among those years.
    const auto no_value = [&](int year) {
      return year >= curve.first_year && year <= curve.last_year &&
             std::isnan(chi_square[static_cast<std::size_t>(year - curve.first_year)]);
    };
    // The gaps met, in order of time: first and last year, and whether an
    // interval ends at the gap or begins after it (one line for both).
    struct GapMet {
      int from, to;
      bool ended, begun;
    };
    std::vector<GapMet> gaps;
    for (const HpdInterval& interval : region.intervals) {
      if (no_value(interval.from - 1)) {
        int from = interval.from - 1;
        while (no_value(from - 1)) --from;
        if (!gaps.empty() && gaps.back().from == from) {
          gaps.back().begun = true;
        } else {
          gaps.push_back({from, interval.from - 1, false, true});
        }
      }
      if (no_value(interval.to + 1)) {
        int to = interval.to + 1;
        while (no_value(to + 1)) ++to;
        gaps.push_back({interval.to + 1, to, true, false});
      }
    }
    for (const GapMet& gap : gaps) {
      const char* edge = gap.ended ? (gap.begun ? "ends and begins again" : "ends") : "begins";
      result.warnings.push_back("the " + region_name(region) + " " + edge +
                                " at a gap in the curve, " + span_text(gap.from, gap.to, notation) +
                                ": the date may lie in the years without a value");
    }
    if (region.intervals.back().to == curve.last_year) {
      result.warnings.push_back("the " + region_name(region) + " ends at the curve's last year, " +
                                year_text(curve.last_year, notation) +
                                ": the date may lie after the curve's span");
    }
  }
  const double limit = chi_square_95(result.components.size());
  if (result.min_chi_square > limit) {
    result.warnings.push_back(
        off_curve_warning("the measurement", result.min_chi_square, result.closest_year, limit,
                          static_cast<int>(result.components.size()), notation));
  }
  if (result.unusable_years > 0) {
    result.warnings.push_back(std::to_string(result.unusable_years) + " of the curve's " +
                              std::to_string(n) +
                              " years have no value of a component measured and cannot be the "
                              "date");
  }
  return result;
}

}  // namespace dating
