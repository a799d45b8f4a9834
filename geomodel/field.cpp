#include "geomodel/field.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "cap/constants.hpp"
#include "cap/geodetic.hpp"

namespace geomodel {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string shown(double value) {
  std::ostringstream out;
  out.precision(12);
  out << value;
  return out.str();
}

// The non-zero B-splines of the model's order at a year of its basis:
// values[r] belongs to spline first + r. De Boor's recursion on the knot
// interval that holds the year; at the basis' right end, the last interval.
int nonzero_splines(const SplineModel& model, double year, std::span<double> values) {
  const std::vector<double>& t = model.knots;
  const int k = model.order;
  const int n = model.spline_count();
  auto above = std::upper_bound(t.begin(), t.end(), year);
  int i = static_cast<int>(above - t.begin()) - 1;
  i = std::clamp(i, k - 1, n - 1);
  while (i > k - 1 && !(t[static_cast<std::size_t>(i)] < t[static_cast<std::size_t>(i) + 1])) --i;

  std::array<double, SPLINE_ORDER> left{}, right{};
  values[0] = 1.0;
  for (int j = 1; j < k; ++j) {
    left[static_cast<std::size_t>(j)] = year - t[static_cast<std::size_t>(i + 1 - j)];
    right[static_cast<std::size_t>(j)] = t[static_cast<std::size_t>(i + j)] - year;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      const double term =
          values[static_cast<std::size_t>(r)] /
          (right[static_cast<std::size_t>(r + 1)] + left[static_cast<std::size_t>(j - r)]);
      values[static_cast<std::size_t>(r)] = saved + right[static_cast<std::size_t>(r + 1)] * term;
      saved = left[static_cast<std::size_t>(j - r)] * term;
    }
    values[static_cast<std::size_t>(j)] = saved;
  }
  return i - (k - 1);
}

// The constants of the recurrences of the Schmidt functions, by (n, m) at
// n (n + 1) / 2 + m: for m < n, 1 / sqrt(n^2 - m^2) and sqrt((n-1)^2 - m^2);
// for n = m >= 2, sqrt((2m - 1) / 2m). Computed once for every site.
struct Recurrence {
  static constexpr std::size_t TABLE = (MAX_DEGREE + 1) * (MAX_DEGREE + 2) / 2;
  std::array<double, TABLE> scale{}, back{};

  Recurrence() {
    for (std::size_t n = 1; n <= MAX_DEGREE; ++n)
      for (std::size_t m = 0; m <= n; ++m) {
        const double nn = static_cast<double>(n), mm = static_cast<double>(m);
        const std::size_t k = n * (n + 1) / 2 + m;
        if (m == n) {
          scale[k] = std::sqrt((2.0 * mm - 1.0) / (2.0 * mm));
        } else {
          scale[k] = 1.0 / std::sqrt(nn * nn - mm * mm);
          back[k] = n >= m + 2 ? std::sqrt((nn - 1.0) * (nn - 1.0) - mm * mm) : 0.0;
        }
      }
  }
};

const Recurrence& recurrence() {
  static const Recurrence table;
  return table;
}

}  // namespace

GaussCoefficients gauss_coefficients(const SplineModel& model, double year) {
  GaussCoefficients result;
  result.year = year;
  result.degree = model.degree;
  result.values.resize(static_cast<std::size_t>(coefficient_count(model.degree)));
  gauss_coefficients(model, year, result.values);
  return result;
}

void gauss_coefficients(const SplineModel& model, double year, std::span<double> values) {
  if (!(year >= model.first_year && year <= model.last_year))
    throw YearOutsideSpan("the year " + shown(year) + " is outside the span of " + model.name +
                          ", " + shown(model.first_year) + " to " + shown(model.last_year));
  const auto count = static_cast<std::size_t>(coefficient_count(model.degree));
  if (values.size() < count) throw std::invalid_argument("too little room for the coefficients");
  std::array<double, SPLINE_ORDER> basis{};
  const int first = nonzero_splines(model, year, basis);
  std::fill(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count), 0.0);
  for (int r = 0; r < model.order; ++r) {
    const double weight = basis[static_cast<std::size_t>(r)];
    const double* block = model.coefficients.data() + static_cast<std::size_t>(first + r) * count;
    for (std::size_t c = 0; c < count; ++c) values[c] += weight * block[c];
  }
}

SiteTerms::SiteTerms(double latitude, double longitude, int degree)
    : latitude_(latitude), longitude_(longitude), degree_(degree), at_pole_(false) {
  if (!(latitude >= -90.0 && latitude <= 90.0))
    throw SiteOutsideRange("the latitude " + shown(latitude) + " is not -90 to 90 degrees");
  if (!(longitude >= -180.0 && longitude <= 360.0))
    throw SiteOutsideRange("the longitude " + shown(longitude) + " is not -180 to 360 degrees");
  if (degree < 1 || degree > MAX_DEGREE)
    throw std::invalid_argument("a degree of 1 to " + std::to_string(MAX_DEGREE));
  at_pole_ = std::abs(latitude) == 90.0;

  // Geocentric colatitude theta: cos(theta) = sin(geocentric latitude).
  const cap::GeocentricSite site = cap::geocentric_site(latitude, 0.0);
  const double c = site.sin_latitude;
  const double s = site.cos_latitude;
  const double ratio = REFERENCE_RADIUS / site.radius;

  // Schmidt semi-normalised P(n,m)(cos theta), its derivative in theta, and
  // P(n,m) / sin(theta) for m >= 1 (finite at the poles: it is computed by
  // the same recurrence in n from sin(theta)^(m-1)). Table index n (n+1)/2 + m.
  const auto N = static_cast<std::size_t>(degree);
  const Recurrence& constants = recurrence();
  std::array<double, Recurrence::TABLE> P, dP, U;
  auto at = [](std::size_t n, std::size_t m) { return n * (n + 1) / 2 + m; };
  P[0] = 1.0;
  dP[0] = 0.0;
  U[0] = 0.0;
  for (std::size_t m = 0; m <= N; ++m) {
    if (m == 1) {
      P[at(1, 1)] = s;
      dP[at(1, 1)] = c;
      U[at(1, 1)] = 1.0;
    } else if (m >= 2) {
      const double f = constants.scale[at(m, m)];
      P[at(m, m)] = f * s * P[at(m - 1, m - 1)];
      dP[at(m, m)] = f * (c * P[at(m - 1, m - 1)] + s * dP[at(m - 1, m - 1)]);
      U[at(m, m)] = f * s * U[at(m - 1, m - 1)];
    }
    for (std::size_t n = m + 1; n <= N; ++n) {
      const double nn = static_cast<double>(n);
      const double scale = constants.scale[at(n, m)];
      const double back = constants.back[at(n, m)];
      const double p2 = n >= m + 2 ? P[at(n - 2, m)] : 0.0;
      const double d2 = n >= m + 2 ? dP[at(n - 2, m)] : 0.0;
      const double u2 = n >= m + 2 ? U[at(n - 2, m)] : 0.0;
      const double p1 = P[at(n - 1, m)], d1 = dP[at(n - 1, m)], u1 = U[at(n - 1, m)];
      P[at(n, m)] = ((2.0 * nn - 1.0) * c * p1 - back * p2) * scale;
      dP[at(n, m)] = ((2.0 * nn - 1.0) * (c * d1 - s * p1) - back * d2) * scale;
      U[at(n, m)] = ((2.0 * nn - 1.0) * c * u1 - back * u2) * scale;
    }
  }

  const double lambda = longitude * cap::DEG_TO_RAD;
  const double cd = site.difference.cosine, sd = site.difference.sine;
  const auto count = static_cast<std::size_t>(coefficient_count(degree));
  terms_.resize(3 * count);
  std::size_t k = 0;
  // One coefficient's shares in the geocentric frame, rotated into the
  // geodetic one: X' = X cos + Z sin, Z' = Z cos - X sin.
  auto add = [&](double x, double y, double z) {
    terms_[k++] = x * cd + z * sd;
    terms_[k++] = y;
    terms_[k++] = z * cd - x * sd;
  };
  std::array<double, MAX_DEGREE + 1> cos_m, sin_m;
  for (std::size_t m = 0; m <= N; ++m) {
    cos_m[m] = std::cos(static_cast<double>(m) * lambda);
    sin_m[m] = std::sin(static_cast<double>(m) * lambda);
  }
  double power = ratio * ratio;  // (a/r)^(n+2)
  for (std::size_t n = 1; n <= N; ++n) {
    power *= ratio;
    for (std::size_t m = 0; m <= n; ++m) {
      const double cm = cos_m[m], sm = sin_m[m];
      const double p = power * P[at(n, m)], d = power * dP[at(n, m)];
      const double u = power * static_cast<double>(m) * U[at(n, m)];
      const double radial = -static_cast<double>(n + 1) * p;
      add(d * cm, u * sm, radial * cm);
      if (m > 0) add(d * sm, -u * cm, radial * sm);
    }
  }
}

FieldValues SiteTerms::field(std::span<const double> gauss) const {
  const std::size_t count = terms_.size() / 3;
  if (gauss.size() < count) throw std::invalid_argument("fewer Gauss coefficients than the site's");
  double x = 0.0, y = 0.0, z = 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    x += terms_[3 * k] * gauss[k];
    y += terms_[3 * k + 1] * gauss[k];
    z += terms_[3 * k + 2] * gauss[k];
  }
  FieldValues f;
  f.horizontal = std::hypot(x, y);
  f.down = z;
  f.inclination = std::atan2(z, f.horizontal) / cap::DEG_TO_RAD;
  f.intensity = std::hypot(f.horizontal, z) / 1000.0;
  f.direction_defined = !at_pole_ && f.horizontal > 0.0;
  if (f.direction_defined) {
    f.north = x;
    f.east = y;
    f.declination = std::atan2(y, x) / cap::DEG_TO_RAD;
  } else {
    f.north = at_pole_ ? NaN : x;
    f.east = at_pole_ ? NaN : y;
    f.declination = NaN;
  }
  return f;
}

FieldValues field_at(const SplineModel& model, double latitude, double longitude, double year) {
  const SiteTerms site(latitude, longitude, model.degree);
  return site.field(gauss_coefficients(model, year));
}

std::vector<FieldValues> field_curve(const SplineModel& model, double latitude, double longitude,
                                     std::span<const double> years) {
  const SiteTerms site(latitude, longitude, model.degree);
  std::vector<double> gauss(static_cast<std::size_t>(coefficient_count(model.degree)));
  std::vector<FieldValues> curve;
  curve.reserve(years.size());
  for (double year : years) {
    gauss_coefficients(model, year, gauss);
    curve.push_back(site.field(gauss));
  }
  return curve;
}

Dipole dipole(std::span<const double> gauss) {
  if (gauss.size() < 3) throw std::invalid_argument("the dipole needs g(1,0), g(1,1), h(1,1)");
  const double g10 = gauss[0], g11 = gauss[1], h11 = gauss[2];
  const double b0 = std::sqrt(g10 * g10 + g11 * g11 + h11 * h11);  // nT
  // 4 pi a^3 / mu0 = a^3 / 1e-7 (a in metres, B0 in tesla).
  const double a = REFERENCE_RADIUS * 1000.0;
  Dipole d;
  d.moment = a * a * a * (b0 * 1e-9) / 1e-7 / 1e22;
  d.pole_latitude = 90.0 - std::acos(-g10 / b0) / cap::DEG_TO_RAD;
  d.pole_longitude = std::atan2(-h11, -g11) / cap::DEG_TO_RAD;
  return d;
}

}  // namespace geomodel
