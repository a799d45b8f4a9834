#include "radiocarbon/calibration.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace radiocarbon {

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

/// ln(1 / NEGLIGIBLE): how far -ln L of a year kept may lie above its least.
const double LN_NEGLIGIBLE = -std::log(NEGLIGIBLE);

/// An age in 14C years as reports write it, "2450 BP", "2450.5 BP".
std::string age_text(double age) { return console::shortest_text(age) + " BP"; }

/// The share of a normal distribution beyond `distance` of its sigmas.
double upper_tail(double distance) { return 0.5 * std::erfc(distance / std::sqrt(2.0)); }

double measured_age(const C14Age& age) { return age.age - age.delta_r; }
double measured_variance(const C14Age& age) {
  return age.sigma * age.sigma + age.delta_r_sigma * age.delta_r_sigma;
}

std::string region_name(const dating::HpdRegion& region) {
  return console::shortest_text(region.level) + "% HPD interval";
}

}  // namespace

GriddedCalibrationCurve grid_curve(const CalibrationCurve& curve) {
  const std::size_t rows = curve.years.size();
  if (curve.ages.size() != rows || curve.sigmas.size() != rows) {
    throw std::invalid_argument("a calibration curve's years, ages and sigmas differ in length");
  }
  for (std::size_t i = 0; i < rows; ++i) {
    if (!std::isfinite(curve.years[i]) || !std::isfinite(curve.ages[i]) ||
        !std::isfinite(curve.sigmas[i]) || !(curve.sigmas[i] > 0.0)) {
      throw std::invalid_argument(
          "a calibration curve's row holds a value that is not finite or "
          "a sigma that is not positive");
    }
    if (std::fabs(curve.years[i]) > dating::MAX_CURVE_YEAR) {
      throw std::invalid_argument("a calibration curve's years lie beyond the years dated");
    }
    if (i > 0 && !(curve.years[i] > curve.years[i - 1])) {
      throw std::invalid_argument("a calibration curve's years do not ascend");
    }
  }
  if (rows < 2) throw std::invalid_argument("a calibration curve needs two rows");
  GriddedCalibrationCurve g;
  g.name = curve.name;
  g.citation = curve.citation;
  g.first_year = static_cast<int>(std::ceil(curve.years.front()));
  g.last_year = static_cast<int>(std::floor(curve.years.back()));
  if (g.last_year - g.first_year < 1) {
    throw std::invalid_argument("a calibration curve spans fewer than two whole years");
  }
  const std::size_t n = static_cast<std::size_t>(g.last_year - g.first_year + 1);
  g.ages.resize(n);
  g.variances.resize(n);
  std::size_t row = 0;  // the row at or before the year
  for (std::size_t k = 0; k < n; ++k) {
    const double t = g.first_year + static_cast<double>(k);
    while (row + 1 < rows && curve.years[row + 1] <= t) ++row;
    double age = curve.ages[row];
    double sigma = curve.sigmas[row];
    if (curve.years[row] != t) {
      const double f = (t - curve.years[row]) / (curve.years[row + 1] - curve.years[row]);
      age += (curve.ages[row + 1] - age) * f;
      sigma += (curve.sigmas[row + 1] - sigma) * f;
    }
    g.ages[k] = age;
    g.variances[k] = sigma * sigma;
  }
  const auto [least, greatest] = std::minmax_element(g.ages.begin(), g.ages.end());
  g.youngest_year = g.first_year + static_cast<int>(least - g.ages.begin());
  g.oldest_year = g.first_year + static_cast<int>(greatest - g.ages.begin());
  for (std::size_t start = 0; start < n; start += GriddedCalibrationCurve::BLOCK) {
    const std::size_t end = std::min(n, start + GriddedCalibrationCurve::BLOCK);
    GriddedCalibrationCurve::Block b{INF, -INF, 0.0};
    for (std::size_t k = start; k < end; ++k) {
      b.least_age = std::min(b.least_age, g.ages[k]);
      b.greatest_age = std::max(b.greatest_age, g.ages[k]);
      b.greatest_variance = std::max(b.greatest_variance, g.variances[k]);
    }
    g.blocks.push_back(b);
  }
  return g;
}

void check_age(const GriddedCalibrationCurve& curve, const C14Age& age) {
  auto refuse = [](const char* field, const std::string& message) {
    throw dating::MeasurementError(field, message);
  };
  if (!std::isfinite(age.age)) refuse("c14_age", "the 14C age is not a finite number");
  if (!std::isfinite(age.sigma) || !(age.sigma > 0.0)) {
    refuse("c14_sigma", "the 14C age's sigma must be a positive number");
  }
  if (!std::isfinite(age.delta_r)) refuse("delta_r", "Delta R is not a finite number");
  if (!std::isfinite(age.delta_r_sigma) || age.delta_r_sigma < 0.0) {
    refuse("delta_r_sigma", "Delta R's sigma must be a number, 0 or more");
  }
  const double r = measured_age(age);
  const double variance = measured_variance(age);
  const auto at = [&](int year) { return static_cast<std::size_t>(year - curve.first_year); };
  const bool shifted = age.delta_r != 0.0 || age.delta_r_sigma != 0.0;
  const std::string value =
      console::shortest_text(r) + " +- " + console::shortest_text(std::sqrt(variance)) + " BP";
  const std::string measured =
      shifted ? "the 14C age less Delta R (" + value + ")" : "the 14C age " + value;
  const double oldest = curve.ages[at(curve.oldest_year)];
  if (r - oldest > BEYOND_SIGMAS * std::sqrt(variance + curve.variances[at(curve.oldest_year)])) {
    refuse("c14_age", measured + " is older than the oldest age of " + curve.name + ", " +
                          age_text(oldest) + ", by more than " +
                          console::shortest_text(BEYOND_SIGMAS) +
                          " sigmas; it cannot be calibrated");
  }
  const double youngest = curve.ages[at(curve.youngest_year)];
  if (youngest - r >
      BEYOND_SIGMAS * std::sqrt(variance + curve.variances[at(curve.youngest_year)])) {
    refuse("c14_age", measured + " is younger than the youngest age of " + curve.name + ", " +
                          age_text(youngest) + ", by more than " +
                          console::shortest_text(BEYOND_SIGMAS) +
                          " sigmas; it cannot be calibrated");
  }
}

Calibration calibrate(const GriddedCalibrationCurve& curve, const C14Age& age,
                      std::span<const double> levels, dating::YearNotation notation) {
  check_age(curve, age);
  for (const double level : levels) {
    if (!(level > 0.0 && level < 100.0)) {
      throw std::invalid_argument("an HPD level must lie between 0 and 100 percent");
    }
  }
  const double r = measured_age(age);
  const double variance = measured_variance(age);
  const std::size_t n = curve.size();
  const std::size_t block_count = curve.blocks.size();
  constexpr std::size_t BLOCK = GriddedCalibrationCurve::BLOCK;

  // -ln L(t) = z / 2 + ln S; over a block it is at least d^2 / (2 (s^2 +
  // greatest sigma_c^2)) + ln s, d the distance of r from the block's ages.
  // The measured variance's half logarithm is common to every bound.
  const double ln_s = 0.5 * std::log(variance);
  std::vector<double> bound(block_count);
  std::size_t best_block = 0;
  for (std::size_t b = 0; b < block_count; ++b) {
    const auto& block = curve.blocks[b];
    const double d = std::max({0.0, block.least_age - r, r - block.greatest_age});
    bound[b] = d * d / (2.0 * (variance + block.greatest_variance)) + ln_s;
    if (bound[b] < bound[best_block]) best_block = b;
  }
  auto minus_ln_l = [&](std::size_t k) {
    const double s2 = variance + curve.variances[k];
    const double residual = r - curve.ages[k];
    return residual * residual / (2.0 * s2) + 0.5 * std::log(s2);
  };
  double best = INF;
  for (std::size_t k = best_block * BLOCK; k < std::min(n, (best_block + 1) * BLOCK); ++k) {
    best = std::min(best, minus_ln_l(k));
  }
  // The blocks that may hold a year kept, and the stretch from the first
  // to the last of them.
  const double ceiling = best + LN_NEGLIGIBLE;
  std::size_t first_block = block_count;
  std::size_t last_block = 0;
  for (std::size_t b = 0; b < block_count; ++b) {
    if (bound[b] <= ceiling) {
      first_block = std::min(first_block, b);
      last_block = b;
    }
  }
  const std::size_t from = first_block * BLOCK;
  const std::size_t to = std::min(n, (last_block + 1) * BLOCK);
  // L itself, not its logarithm, on the years that may be kept: the peak
  // of an age that check_age lets through lies far above the smallest
  // double, unless a curve of the user's leaps past it between two years
  // (refused below).
  std::vector<double> likelihood(to - from, 0.0);
  for (std::size_t b = first_block; b <= last_block; ++b) {
    if (bound[b] > ceiling) continue;
    for (std::size_t k = b * BLOCK; k < std::min(n, (b + 1) * BLOCK); ++k) {
      const double s2 = variance + curve.variances[k];
      const double residual = r - curve.ages[k];
      likelihood[k - from] = std::exp(-0.5 * residual * residual / s2) / std::sqrt(s2);
    }
  }
  const auto peak = std::max_element(likelihood.begin(), likelihood.end());
  if (!(*peak > 0.0)) {
    throw dating::MeasurementError("c14_age", "the 14C age meets " + curve.name +
                                                  " nowhere: its likelihood vanishes at every "
                                                  "year; it cannot be calibrated");
  }
  const double negligible = *peak * NEGLIGIBLE;

  Calibration result;
  dating::DatingResult& date = result.date;
  // The years kept: from the first to the last whose likelihood is at
  // least NEGLIGIBLE of the peak; those between that fall below it are 0.
  std::size_t first_kept = likelihood.size();
  std::size_t last_kept = 0;
  for (std::size_t i = 0; i < likelihood.size(); ++i) {
    if (likelihood[i] >= negligible) {
      first_kept = std::min(first_kept, i);
      last_kept = i;
    }
  }
  date.first_year = curve.first_year + static_cast<int>(from + first_kept);
  date.combined.assign(likelihood.begin() + static_cast<std::ptrdiff_t>(first_kept),
                       likelihood.begin() + static_cast<std::ptrdiff_t>(last_kept + 1));
  double sum = 0.0;
  date.min_chi_square = INF;
  for (std::size_t i = 0; i < date.combined.size(); ++i) {
    double& p = date.combined[i];
    if (p < negligible) {
      p = 0.0;
      continue;
    }
    sum += p;
    const std::size_t k = from + first_kept + i;
    const double residual = r - curve.ages[k];
    const double chi_square = residual * residual / (variance + curve.variances[k]);
    if (chi_square < date.min_chi_square) {
      date.min_chi_square = chi_square;
      date.closest_year = curve.first_year + static_cast<int>(k);
    }
  }
  for (double& p : date.combined) p /= sum;
  date.mode = curve.first_year +
              static_cast<int>(from + static_cast<std::size_t>(peak - likelihood.begin()));
  date.regions = dating::hpd_regions(date.combined, date.first_year, levels);

  // Warnings, one line each.
  for (const dating::HpdRegion& region : date.regions) {
    if (region.intervals.empty()) continue;
    if (region.intervals.front().from == curve.first_year) {
      date.warnings.push_back("the " + region_name(region) + " begins at the curve's first year, " +
                              dating::year_text(curve.first_year, notation) +
                              ": the date may lie before the curve's span");
    }
    if (region.intervals.back().to == curve.last_year) {
      date.warnings.push_back("the " + region_name(region) + " ends at the curve's last year, " +
                              dating::year_text(curve.last_year, notation) +
                              ": the date may lie after the curve's span");
    }
  }
  const auto at = [&](int year) { return static_cast<std::size_t>(year - curve.first_year); };
  const double oldest = curve.ages[at(curve.oldest_year)];
  const double youngest = curve.ages[at(curve.youngest_year)];
  result.beyond_oldest =
      upper_tail((oldest - r) / std::sqrt(variance + curve.variances[at(curve.oldest_year)]));
  result.beyond_youngest =
      upper_tail((r - youngest) / std::sqrt(variance + curve.variances[at(curve.youngest_year)]));
  auto warn_beyond = [&](double share, const char* side, int year, const char* when) {
    if (share < BEYOND_SHARE_WARNED) return;
    date.warnings.push_back(dating::percent_text(share) + " of the measured age lies " + side +
                            " age of " + curve.name + ", " + age_text(curve.ages[at(year)]) +
                            " at " + dating::year_text(year, notation) + ": the date may lie " +
                            when + " the curve's span");
  };
  warn_beyond(result.beyond_oldest, "above the oldest", curve.oldest_year, "before");
  warn_beyond(result.beyond_youngest, "below the youngest", curve.youngest_year, "after");
  return result;
}

dating::RowLikelihood row_likelihood(const GriddedCalibrationCurve& curve, const C14Age& age,
                                     dating::YearSpan span) {
  check_age(curve, age);
  if (span.first_year < curve.first_year || span.last_year > curve.last_year ||
      span.first_year > span.last_year) {
    throw std::invalid_argument("the span of years lies outside the calibration curve's");
  }
  const double r = measured_age(age);
  const double variance = measured_variance(age);
  dating::RowLikelihood row;
  row.first_year = span.first_year;
  row.components = 1;
  row.log_likelihood.resize(span.size());
  row.chi_square.resize(span.size());
  const auto offset = static_cast<std::size_t>(span.first_year - curve.first_year);
  for (std::size_t i = 0; i < span.size(); ++i) {
    const double s2 = variance + curve.variances[offset + i];
    const double residual = r - curve.ages[offset + i];
    row.chi_square[i] = residual * residual / s2;
    row.log_likelihood[i] = -0.5 * row.chi_square[i] - 0.5 * std::log(s2);
  }
  return row;
}

}  // namespace radiocarbon
