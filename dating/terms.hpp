// The terms of a measurement's likelihood against a gridded curve, year by
// year, shared by the dating of one measurement and the dating of events
// and sequences; and the checks both make of their arguments. Internal to
// the dating library.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>

#include "console/fields.hpp"
#include "dating/dating.hpp"

namespace dating::terms {

/// The range of the variances taken (see ComponentTerms).
inline constexpr double MIN_VARIANCE = std::numeric_limits<double>::min();
inline constexpr double MAX_VARIANCE = std::numeric_limits<double>::max();

/// The difference of two declinations, wrapped into [-180, 180). Within
/// one turn of that range the sum with +-360 is exact.
inline double wrap_angle(double difference) {
  if (difference >= -180.0 && difference < 180.0) return difference;
  if (difference >= -540.0 && difference < 540.0) {
    return difference < 0.0 ? difference + 360.0 : difference - 360.0;
  }
  double wrapped = std::fmod(difference + 180.0, 360.0);
  if (wrapped < 0.0) wrapped += 360.0;
  return wrapped - 180.0;
}

/// One component's share of the log-likelihood at one year: r^2 / V and V.
struct Term {
  double z2;  // NaN where the curve has no value, infinite when r^2 overflows
  double variance;
};

/// The terms of one measured component against the curve, year by year. A
/// variance beyond the range of normal doubles is taken at its bound: one
/// that underflows as the smallest, so that r^2 / V is 0 for r = 0 and
/// never 0/0; one that overflows as the largest, so that ln V is finite.
class ComponentTerms {
 public:
  ComponentTerms(const MeasuredComponent& measured, const GriddedComponent& curve)
      : declination_(measured.component == Component::declination),
        value_(declination_ ? wrap_angle(measured.value) : measured.value),
        variance_(measured.sigma * measured.sigma),
        curve_(curve) {}

  /// The terms at grid index k of the curve.
  Term at(std::size_t k) const {
    const double difference = value_ - curve_.values[k];
    const double r = declination_ ? wrap_angle(difference) : difference;
    const double sigma = curve_.sigmas[k];
    const double variance = std::clamp(variance_ + sigma * sigma, MIN_VARIANCE, MAX_VARIANCE);
    return {r * r / variance, variance};
  }

 private:
  bool declination_;
  double value_;     // the declination wrapped into [-180, 180)
  double variance_;  // the measurement's
  const GriddedComponent& curve_;
};

/// The samples file's column of a component: "dec", "inc" or "int".
inline const char* field_of(Component component) {
  switch (component) {
    case Component::declination:
      return "dec";
    case Component::inclination:
      return "inc";
    case Component::intensity:
      break;
  }
  return "int";
}

/// The components measured by component, each checked: measured once,
/// with a finite value and a positive, finite sigma, and given by the
/// curve.
///
/// @throws std::invalid_argument naming the first component at fault, or
///         when nothing is measured
inline std::array<const MeasuredComponent*, 3> measured_by_component(
    const GriddedCurve& curve, std::span<const MeasuredComponent> measured) {
  if (measured.empty()) throw std::invalid_argument("no component measured");
  std::array<const MeasuredComponent*, 3> by_component{};
  for (const MeasuredComponent& m : measured) {
    const auto index = static_cast<std::size_t>(m.component);
    const std::string name = curve::component_name(m.component);
    if (by_component[index]) throw std::invalid_argument("the " + name + " is measured twice");
    if (!std::isfinite(m.value) || !std::isfinite(m.sigma) || !(m.sigma > 0.0)) {
      throw std::invalid_argument("the measured " + name +
                                  " needs a finite value and a positive, finite sigma");
    }
    if (!curve[m.component]) throw std::invalid_argument("the curve gives no " + name);
    by_component[index] = &m;
  }
  return by_component;
}

/// @throws std::invalid_argument for a level outside (0, 100)
inline void check_levels(std::span<const double> levels) {
  for (const double level : levels) {
    if (!(level > 0.0 && level < 100.0)) {
      throw std::invalid_argument("an HPD level lies between 0 and 100 percent: " +
                                  console::shortest_text(level));
    }
  }
}

}  // namespace dating::terms
