#include "dating/chronology.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "console/fields.hpp"
#include "dating/terms.hpp"

namespace dating {

namespace {

using terms::check_levels;
using terms::ComponentTerms;
using terms::field_of;

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NEG_INF = -INF;
constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();
constexpr double EPSILON = std::numeric_limits<double>::epsilon();
// A running sum of at least 1 is not changed by adding exp(d) for
// d < -37.5: exp(-37.5) = 5.2e-17 lies below half a unit in the last place
// of 1. Skipping such terms saves their exponential and gives the same bits.
constexpr double NEGLIGIBLE = -37.5;
// exp(d) is 0 in doubles for d < -745.2.
constexpr double UNDERFLOW = -746.0;

/// Checks a grid of `size` years from first_year: at least one year, the
/// last one an int.
void check_grid(int first_year, std::size_t size) {
  if (size == 0) throw std::invalid_argument("the grid has no year");
  if (static_cast<long long>(first_year) + static_cast<long long>(size) - 1 > INT_MAX) {
    throw std::invalid_argument("the grid runs past the largest year");
  }
}

// --- Densities from logarithms ---

/// A density from the logarithms x of its unnormalised values,
/// exp(x - max x) normalised to sum 1: the largest is 1 before the
/// normalisation, so the sum is at least 1 and never 0/0 however low x
/// lies. Only the years where exp(x - max x) does not underflow are
/// computed: on a long grid, a narrow density costs little more than the
/// search for its largest value, `top`.
///
/// @return false when every x is -inf (nothing possible)
bool density_from_logs(std::span<const double> x, double top, int first_year, Density& density,
                       int& mode) {
  const std::size_t n = x.size();
  if (top == NEG_INF) return false;
  std::size_t first = 0;
  while (x[first] - top < UNDERFLOW) ++first;
  std::size_t last = n - 1;
  while (x[last] - top < UNDERFLOW) --last;
  // Each value is written once: no zeros first.
  density.values.clear();
  density.values.reserve(last - first + 1);
  std::size_t largest = 0;
  double sum = 0.0;
  for (std::size_t k = first; k <= last; ++k) {
    const double d = x[k] - top;
    const double e = d < UNDERFLOW ? 0.0 : std::exp(d);
    density.values.push_back(e);
    sum += e;
    if (e > density.values[largest]) largest = k - first;
  }
  // exp may underflow to 0 just above UNDERFLOW: trim such ends.
  std::size_t from = 0;
  while (density.values[from] == 0.0) ++from;
  std::size_t to = density.values.size();
  while (density.values[to - 1] == 0.0) --to;
  density.values.erase(density.values.begin() + static_cast<std::ptrdiff_t>(to),
                       density.values.end());
  density.values.erase(density.values.begin(),
                       density.values.begin() + static_cast<std::ptrdiff_t>(from));
  const double scale = 1.0 / sum;
  for (double& v : density.values) v *= scale;
  density.first_year = first_year + static_cast<int>(first + from);
  mode = first_year + static_cast<int>(first + largest);
  return true;
}

double largest_of(std::span<const double> x) {
  double top = NEG_INF;
  for (const double v : x) top = v > top ? v : top;
  return top;
}

std::string region_name(const HpdRegion& region) {
  return console::shortest_text(region.level) + "% HPD interval";
}

/// The warnings of a date whose HPD intervals touch the ends of the grid:
/// the density was cut there, and the date may lie beyond. Worded as
/// date_measurement words them.
void add_edge_warnings(const std::vector<HpdRegion>& regions, int first_year, int last_year,
                       YearNotation notation, std::vector<std::string>& warnings) {
  for (const HpdRegion& region : regions) {
    if (region.intervals.empty()) continue;
    if (region.intervals.front().from == first_year) {
      warnings.push_back("the " + region_name(region) + " begins at the curve's first year, " +
                         year_text(first_year, notation) +
                         ": the date may lie before the curve's span");
    }
    if (region.intervals.back().to == last_year) {
      warnings.push_back("the " + region_name(region) + " ends at the curve's last year, " +
                         year_text(last_year, notation) +
                         ": the date may lie after the curve's span");
    }
  }
}

// --- The sequence's cumulative sums ---

/// out[k] = ln of the sum of exp(l[j] + c[j]) over j <= k (forward) or over
/// j >= k (backward), -inf while nothing is possible. The sum is kept as
/// exp(top) * sum with top the largest term so far, so that sum stays
/// between 1 and the count of terms; out may be c.
template <bool Forward>
void log_cumulative_sum(std::span<const double> l, std::span<const double> c,
                        std::span<double> out) {
  const std::size_t n = l.size();
  double top = NEG_INF;
  double sum = 0.0;
  double log_sum = NEG_INF;
  for (std::size_t step = 0; step < n; ++step) {
    const std::size_t k = Forward ? step : n - 1 - step;
    const double x = l[k] + c[k];
    if (x > top) {
      // The sum so far, scaled to the new top, is negligible beside the new
      // term (always for the first term, whose sum is 0) or is not.
      if (top - x + log_sum < NEGLIGIBLE) {
        sum = 1.0;
        log_sum = 0.0;
      } else {
        sum = sum * std::exp(top - x) + 1.0;
        log_sum = std::log(sum);
      }
      top = x;
    } else if (x - top >= NEGLIGIBLE) {
      sum += std::exp(x - top);
      log_sum = std::log(sum);
    }
    out[k] = top + log_sum;
  }
}

/// 100 * sum p q / sum q^2: how well the date alone, q, sits where the
/// sequence puts it, p.
double agreement_index(const Density& p, const Density& q) {
  double overlap = 0.0;
  const int from = std::max(p.first_year, q.first_year);
  const int to = std::min(p.last_year(), q.last_year());
  for (int t = from; t <= to; ++t) overlap += p.at(t) * q.at(t);
  double square = 0.0;
  for (const double v : q.values) square += v * v;
  return 100.0 * overlap / square;
}

std::string agreement_text(double agreement) { return console::fixed_text(agreement, 1) + "%"; }

}  // namespace

// --- The chi-square distribution ---

double regularized_gamma_p(double a, double x) {
  if (!(a > 0.0 && a < INF) || !(x >= 0.0)) {
    throw std::invalid_argument("the incomplete gamma function takes a > 0 and x >= 0: a = " +
                                console::shortest_text(a) + ", x = " + console::shortest_text(x));
  }
  if (x == 0.0) return 0.0;
  if (x == INF) return 1.0;
  constexpr int MAX_TERMS = 1000000;
  // e^-x x^a / Gamma(a), in logarithms.
  const double factor = std::exp(a * std::log(x) - x - std::lgamma(a));
  if (x < a + 1.0) {
    // P = factor * sum over n >= 0 of x^n / (a (a + 1) ... (a + n)): the
    // terms fall from the first on, as x < a + 1.
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < MAX_TERMS && term > sum * EPSILON; ++n) {
      term *= x / (a + n);
      sum += term;
    }
    return std::min(1.0, factor * sum);
  }
  // 1 - P = factor / (x + 1 - a - 1 (1 - a) / (x + 3 - a - 2 (2 - a) / (x + 5 - a - ...))),
  // by the modified Lentz method.
  constexpr double TINY = 1e-300;
  double b = x + 1.0 - a;
  double c = 1.0 / TINY;
  double d = 1.0 / b;
  double fraction = d;
  for (int i = 1; i < MAX_TERMS; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < TINY) d = TINY;
    c = b + an / c;
    if (std::fabs(c) < TINY) c = TINY;
    d = 1.0 / d;
    const double delta = d * c;
    fraction *= delta;
    if (std::fabs(delta - 1.0) <= EPSILON) break;
  }
  return std::max(0.0, 1.0 - factor * fraction);
}

double chi_square_quantile(double probability, int degrees) {
  if (!(probability > 0.0 && probability < 1.0) || degrees < 1) {
    throw std::invalid_argument(
        "a point of the chi-square distribution takes a probability in (0, 1) and at least one "
        "degree of freedom: " +
        console::shortest_text(probability) + ", " + std::to_string(degrees));
  }
  const double a = 0.5 * degrees;
  const auto cdf = [a](double x) { return regularized_gamma_p(a, 0.5 * x); };
  // A bracket [low, high] around the point, then Newton's method within it,
  // halving the bracket where a step would leave it.
  double low = 0.0;
  double high = std::max(1.0, static_cast<double>(degrees));
  while (cdf(high) < probability) {
    low = high;
    high *= 2.0;
  }
  const double log_gamma = std::lgamma(a);
  double x = 0.5 * (low + high);
  for (int iteration = 0; iteration < 200; ++iteration) {
    const double f = cdf(x) - probability;
    if (f == 0.0) return x;
    (f < 0.0 ? low : high) = x;
    // The chi-square density at x.
    const double density = 0.5 * std::exp((a - 1.0) * std::log(0.5 * x) - 0.5 * x - log_gamma);
    double next = x - f / density;
    if (!(next > low && next < high)) next = 0.5 * (low + high);
    if (std::fabs(next - x) <= 1e-14 * x || high - low <= 4.0 * EPSILON * high) return next;
    x = next;
  }
  return x;
}

// --- Rows ---

namespace {

/// The smallest chi-square of a row and its first year; +inf at none.
std::pair<double, int> closest(const RowLikelihood& row) {
  double smallest = INF;
  int year = row.first_year;
  for (std::size_t k = 0; k < row.chi_square.size(); ++k) {
    if (row.chi_square[k] < smallest) {  // false for NaN
      smallest = row.chi_square[k];
      year = row.first_year + static_cast<int>(k);
    }
  }
  return {smallest, year};
}

/// The 95% point of the chi-square distribution for a row's components.
double row_limit(const RowLikelihood& row) {
  return CHI_SQUARE_95[static_cast<std::size_t>(std::clamp(row.components, 1, 3)) - 1];
}

/// Whether a row meets its curve nowhere: its chi-square above the 95%
/// point at every year.
bool off_curve(const RowLikelihood& row) { return closest(row).first > row_limit(row); }

}  // namespace

YearSpan shared_span(std::span<const GriddedCurve* const> curves) {
  if (curves.empty()) throw std::invalid_argument("no curve given");
  YearSpan span{INT_MIN, INT_MAX};
  for (const GriddedCurve* curve : curves) {
    span.first_year = std::max(span.first_year, curve->first_year);
    span.last_year = std::min(span.last_year, curve->last_year);
  }
  if (!(span.last_year > span.first_year)) {
    throw std::invalid_argument("the curves share no span of two whole years");
  }
  return span;
}

RowLikelihood row_likelihood(const GriddedCurve& curve, std::span<const MeasuredComponent> measured,
                             YearSpan span) {
  if (!(span.first_year <= span.last_year && span.first_year >= curve.first_year &&
        span.last_year <= curve.last_year)) {
    throw std::invalid_argument(
        "the years " + std::to_string(span.first_year) + " to " + std::to_string(span.last_year) +
        " do not lie within the curve's years, " + std::to_string(curve.first_year) + " to " +
        std::to_string(curve.last_year));
  }
  const std::array<const MeasuredComponent*, 3> by_component =
      terms::measured_by_component(curve, measured);

  const std::size_t n = span.size();
  const auto offset = static_cast<std::size_t>(span.first_year - curve.first_year);
  std::vector<const MeasuredComponent*> used;
  std::vector<ComponentTerms> component_terms;
  for (const Component c : curve::COMPONENTS) {
    const MeasuredComponent* m = by_component[static_cast<std::size_t>(c)];
    if (!m) continue;
    used.push_back(m);
    component_terms.emplace_back(*m, *curve[c]);
  }
  RowLikelihood row;
  row.first_year = span.first_year;
  row.components = static_cast<int>(used.size());
  // Year by year, the components in the order D, I, F: chi^2 and ln of
  // the product of the variances, in one pass over the curve; as in
  // date_measurement, the sum of their logarithms only where the product
  // leaves the range of normal doubles (one logarithm a year, not three).
  row.chi_square.reserve(n);
  row.log_likelihood.reserve(n);
  bool possible = false;
  bool usable = false;
  for (std::size_t k = 0; k < n; ++k) {
    double chi_square = 0.0;
    double product = 1.0;
    std::array<double, 3> variances{};
    std::size_t count = 0;
    for (const ComponentTerms& t : component_terms) {
      const terms::Term term = t.at(offset + k);
      chi_square += term.z2;
      product *= term.variance;
      variances[count++] = term.variance;
    }
    double log_variances = 0.0;
    if (std::isnormal(product)) {
      log_variances = std::log(product);
    } else {
      for (std::size_t c = 0; c < count; ++c) log_variances += std::log(variances[c]);
    }
    if (std::isnan(chi_square) || std::isnan(log_variances)) {
      row.chi_square.push_back(NO_VALUE);
      row.log_likelihood.push_back(NEG_INF);
      continue;
    }
    usable = true;
    const double log_likelihood = -0.5 * chi_square - 0.5 * log_variances;
    row.chi_square.push_back(chi_square);
    row.log_likelihood.push_back(log_likelihood);
    possible = possible || log_likelihood > NEG_INF;
  }
  row.rows_off_curve = off_curve(row) ? 1 : 0;
  if (!usable) {
    throw std::invalid_argument("no year from " + std::to_string(span.first_year) + " to " +
                                std::to_string(span.last_year) + " has every component measured");
  }
  if (!possible) {
    // The first component that is beyond comparison with the curve at
    // every year.
    std::string field;
    for (const MeasuredComponent* m : used) {
      const ComponentTerms terms(*m, *curve[m->component]);
      bool comparable = false;
      for (std::size_t k = 0; k < n && !comparable; ++k) comparable = terms.at(offset + k).z2 < INF;
      if (!comparable) {
        field = field_of(m->component);
        break;
      }
    }
    throw MeasurementError(field,
                           "the measurement lies too far from the curve to be compared "
                           "with it: its likelihood is below the smallest double at "
                           "every year");
  }
  return row;
}

// --- Events ---

namespace {

void check_row(const RowLikelihood& row, int first_year, std::size_t n) {
  if (row.first_year != first_year || row.size() != n || row.chi_square.size() != n) {
    throw std::invalid_argument("the rows of an event lie on one grid of years");
  }
  if (row.components < 1) {
    throw std::invalid_argument("a row uses at least one component, not " +
                                std::to_string(row.components));
  }
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isnan(row.log_likelihood[k]) || row.log_likelihood[k] == INF ||
        row.chi_square[k] < 0.0) {
      throw std::invalid_argument(
          "a row's log-likelihood is finite or -inf and its chi-square not negative");
    }
  }
}

}  // namespace

YearSpan span_of(const RowLikelihood& row) {
  return {row.first_year, row.first_year + static_cast<int>(row.size()) - 1};
}

RowLikelihood cropped(const RowLikelihood& row, YearSpan span) {
  const YearSpan whole = span_of(row);
  if (span.first_year < whole.first_year || span.last_year > whole.last_year ||
      span.last_year < span.first_year) {
    throw std::invalid_argument("the span does not lie within the row's years");
  }
  const auto from = static_cast<std::ptrdiff_t>(span.first_year - row.first_year);
  const auto to = from + static_cast<std::ptrdiff_t>(span.size());
  RowLikelihood part;
  part.first_year = span.first_year;
  part.components = row.components;
  part.rows_off_curve = row.rows_off_curve;
  part.log_likelihood.assign(row.log_likelihood.begin() + from, row.log_likelihood.begin() + to);
  part.chi_square.assign(row.chi_square.begin() + from, row.chi_square.begin() + to);
  return part;
}

void add_row(RowLikelihood& sum, const RowLikelihood& row) {
  if (sum.log_likelihood.empty()) {
    sum = row;
    return;
  }
  if (row.first_year != sum.first_year || row.size() != sum.size()) {
    throw std::invalid_argument("the rows of an event lie on one grid of years");
  }
  for (std::size_t k = 0; k < sum.size(); ++k) {
    sum.log_likelihood[k] += row.log_likelihood[k];
    sum.chi_square[k] += row.chi_square[k];
  }
  sum.components += row.components;
  sum.rows_off_curve += row.rows_off_curve;
}

EventDate date_event(std::span<const RowLikelihood> rows, std::span<const double> levels,
                     YearNotation notation) {
  if (rows.empty()) throw std::invalid_argument("an event has at least one row");
  for (const RowLikelihood& row : rows) {
    if (row.components > 3) {
      throw std::invalid_argument("a row uses 1 to 3 components, not " +
                                  std::to_string(row.components));
    }
    check_row(row, rows.front().first_year, rows.front().size());
  }
  RowLikelihood sum;
  std::vector<std::string> warnings;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    RowLikelihood row = rows[i];
    row.rows_off_curve = off_curve(row) ? 1 : 0;
    if (row.rows_off_curve) {
      const auto [smallest, year] = closest(row);
      warnings.push_back("row " + std::to_string(i + 1) + ": " +
                         off_curve_warning("the measurement", smallest, year, row_limit(row),
                                           row.components, notation));
    }
    add_row(sum, row);
  }
  EventDate event = date_event(std::move(sum), rows.size(), levels, notation);
  event.warnings.insert(event.warnings.begin(), warnings.begin(), warnings.end());
  return event;
}

EventDate date_event(const RowLikelihood& sum, std::size_t rows, std::span<const double> levels,
                     YearNotation notation) {
  return date_event(RowLikelihood(sum), rows, levels, notation);
}

EventDate date_event(RowLikelihood&& sum, std::size_t rows, std::span<const double> levels,
                     YearNotation notation) {
  check_levels(levels);
  if (rows == 0) throw std::invalid_argument("an event has at least one row");
  const std::size_t n = sum.size();
  const int first_year = sum.first_year;
  check_grid(first_year, n);
  check_row(sum, first_year, n);

  EventDate event;
  event.first_year = first_year;
  event.log_likelihood = std::move(sum.log_likelihood);
  const std::vector<double>& chi_square = sum.chi_square;
  event.degrees = sum.components;

  if (!density_from_logs(event.log_likelihood, largest_of(event.log_likelihood), first_year,
                         event.density, event.mode)) {
    throw std::invalid_argument("no year of the grid is possible for every row of the event");
  }
  event.regions = hpd_regions(event.density.values, event.density.first_year, levels);

  event.min_chi_square = INF;
  for (std::size_t k = 0; k < n; ++k) {
    if (chi_square[k] < event.min_chi_square) {  // false for NaN
      event.min_chi_square = chi_square[k];
      event.closest_year = first_year + static_cast<int>(k);
    }
  }
  event.chi_square_limit = chi_square_quantile(0.95, event.degrees);

  const int last_year = first_year + static_cast<int>(n) - 1;
  add_edge_warnings(event.regions, first_year, last_year, notation, event.warnings);
  event.meets_curve = static_cast<std::size_t>(sum.rows_off_curve) < rows;
  if (!event.meets_curve) {
    event.warnings.push_back(off_curve_warning("the event", event.min_chi_square,
                                               event.closest_year, event.chi_square_limit,
                                               event.degrees, notation));
  } else if (rows > 1 && event.min_chi_square > event.chi_square_limit) {
    event.warnings.push_back(
        "the rows do not agree with one date: their smallest chi-square, " +
        chi_square_text(event.min_chi_square) + " at " + year_text(event.closest_year, notation) +
        ", exceeds " + console::fixed_text(event.chi_square_limit, 3) + ", the 95% point for " +
        std::to_string(event.degrees) + " components; the event's date is doubtful");
  }
  return event;
}

// --- Sequences ---

SequenceDate date_sequence(int first_year, std::span<const std::span<const double>> log_likelihoods,
                           std::span<const double> levels, YearNotation notation, bool densities) {
  check_levels(levels);
  if (log_likelihoods.empty()) throw std::invalid_argument("a sequence has at least one event");
  const std::size_t n = log_likelihoods.size();
  const std::size_t years = log_likelihoods.front().size();
  check_grid(first_year, years);
  std::vector<double> tops(n);  // the largest ln L_i
  for (std::size_t i = 0; i < n; ++i) {
    const std::span<const double> l = log_likelihoods[i];
    if (l.size() != years) {
      throw std::invalid_argument("the events of a sequence lie on one grid of years");
    }
    // !(x < INF) holds for NaN and +inf.
    bool bad = false;
    double top = NEG_INF;
    for (const double x : l) {
      bad |= !(x < INF);
      top = x > top ? x : top;
    }
    if (bad) throw std::invalid_argument("an event's log-likelihood is finite or -inf");
    tops[i] = top;
    if (top == NEG_INF) {
      throw std::invalid_argument("event " + std::to_string(i + 1) +
                                  " of the sequence has no possible year");
    }
  }
  const int last_year = first_year + static_cast<int>(years) - 1;

  // ln A_i is kept for every block-th event only; the backward pass takes
  // the blocks from the last and recomputes each block's ln A_i from its
  // first: memory for about 2 sqrt(n) rows, one forward pass more.
  std::size_t block = 1;
  while (block * block < n) ++block;
  const std::size_t blocks = (n + block - 1) / block;
  std::vector<std::vector<double>> kept(blocks);
  std::vector<double> log_a(years, 0.0);  // ln A_1 = 0
  const std::size_t last_kept = (blocks - 1) * block;
  for (std::size_t i = 0;; ++i) {
    if (i % block == 0) kept[i / block] = log_a;
    if (i == last_kept) break;
    log_cumulative_sum<true>(log_likelihoods[i], log_a, log_a);
  }
  log_a = {};

  SequenceDate sequence;
  sequence.events.resize(n);
  std::vector<std::vector<double>> block_a(std::min(block, n), std::vector<double>(years));
  std::vector<double> log_b(years, 0.0);  // ln B_n = 0
  std::vector<double> x(years);
  Density alone;
  int alone_mode = 0;
  Density unkept;            // an event's date within the sequence, when not kept
  double log_product = 0.0;  // of the agreement indices as fractions
  for (std::size_t b = blocks; b-- > 0;) {
    const std::size_t start = b * block;
    const std::size_t end = std::min(n, start + block);
    block_a[0] = std::move(kept[b]);
    for (std::size_t i = start + 1; i < end; ++i) {
      log_cumulative_sum<true>(log_likelihoods[i - 1], block_a[i - start - 1], block_a[i - start]);
    }
    for (std::size_t i = end; i-- > start;) {
      const std::span<const double> l = log_likelihoods[i];
      const std::vector<double>& a = block_a[i - start];
      double top = NEG_INF;
      for (std::size_t k = 0; k < years; ++k) {
        x[k] = l[k] + a[k] + log_b[k];
        top = x[k] > top ? x[k] : top;
      }
      DateInSequence& date = sequence.events[i];
      Density& within = densities ? date.density : unkept;
      if (!density_from_logs(x, top, first_year, within, date.mode)) {
        throw std::invalid_argument(
            "no ordered set of years is possible for the events of the sequence");
      }
      date.regions = hpd_regions(within.values, within.first_year, levels);
      density_from_logs(l, tops[i], first_year, alone, alone_mode);
      date.agreement = agreement_index(within, alone);
      log_product += std::log(date.agreement / 100.0);  // -inf for an index of 0

      add_edge_warnings(date.regions, first_year, last_year, notation, date.warnings);
      if (date.agreement < AGREEMENT_THRESHOLD) {
        date.warnings.push_back(
            "the event's date alone does not sit well in the sequence: its agreement index, " +
            agreement_text(date.agreement) + ", is below " +
            console::shortest_text(AGREEMENT_THRESHOLD) + "%");
      }
      if (i > 0) log_cumulative_sum<false>(l, log_b, log_b);
    }
  }

  sequence.agreement = 100.0 * std::exp(log_product / std::sqrt(static_cast<double>(n)));
  if (sequence.agreement < AGREEMENT_THRESHOLD) {
    sequence.warnings.push_back("the sequence and the dates disagree: the overall agreement, " +
                                agreement_text(sequence.agreement) + ", is below " +
                                console::shortest_text(AGREEMENT_THRESHOLD) + "%");
  }
  return sequence;
}

SequenceDate date_sequence(std::span<const EventDate* const> events, std::span<const double> levels,
                           YearNotation notation, bool densities) {
  if (events.empty()) throw std::invalid_argument("a sequence has at least one event");
  std::vector<std::span<const double>> kept;
  for (const EventDate* event : events) {
    if (event->meets_curve) kept.emplace_back(event->log_likelihood);
  }
  if (kept.empty()) {
    throw std::invalid_argument("no event of the sequence meets its curve: none can be placed");
  }
  SequenceDate dated = date_sequence(events.front()->first_year, kept, levels, notation, densities);
  std::vector<DateInSequence> within = std::move(dated.events);
  dated.events.clear();
  dated.events.reserve(events.size());
  std::size_t next = 0;
  for (const EventDate* event : events) {
    if (event->meets_curve) {
      dated.events.push_back(std::move(within[next++]));
      continue;
    }
    DateInSequence left;
    left.left_out = true;
    left.agreement = NO_VALUE;
    left.warnings.push_back("the event meets the curve nowhere and is left out of the sequence");
    dated.events.push_back(std::move(left));
  }
  return dated;
}

}  // namespace dating
