// A reference curve as dating takes it: for each geomagnetic component,
// values and their standard deviations at increasing years, whatever file
// they came from (a curve file of karven, or a reference curve of another
// tool).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "curve/curve_reader.hpp"

namespace curve {

/// The three components of the geomagnetic field that a curve gives.
enum class Component { declination, inclination, intensity };

inline constexpr std::array<Component, 3> COMPONENTS = {
    Component::declination, Component::inclination, Component::intensity};

/// "D", "I" or "F", the letters of the field.
const char* component_letter(Component component);

/// "declination", "inclination" or "intensity".
const char* component_name(Component component);

/// The quantile of the normal distribution that a curve's 95% error
/// stands for: one standard deviation is the 95% error divided by this.
inline constexpr double NORMAL_95 = 1.96;

/// One component of a reference curve: a value and its standard deviation
/// (one sigma) at each of a number of years, strictly increasing. A point
/// whose value or sigma is NaN is a gap: the component has no value there,
/// and dating bridges no interval that ends at a gap.
struct ComponentSeries {
  std::vector<double> years;   // years AD, strictly increasing
  std::vector<double> values;  // degrees (D, I) or microtesla (F)
  std::vector<double> sigmas;  // one standard deviation, same unit
};

/// A site on the Earth: geodetic latitude (degrees north) and longitude
/// (degrees east).
struct Site {
  double latitude = 0.0;
  double longitude = 0.0;
};

/// A reference curve: the components it gives, words that say where it
/// came from for reports (the model and the site, or the files' names),
/// and the site it holds for, where that is known (a curve file's site
/// line, the site comment line of .ref files).
struct ReferenceCurve {
  std::string source;
  std::array<std::optional<ComponentSeries>, 3> components;  // by Component
  std::optional<Site> site;

  const std::optional<ComponentSeries>& operator[](Component c) const {
    return components[static_cast<std::size_t>(c)];
  }
  std::optional<ComponentSeries>& operator[](Component c) {
    return components[static_cast<std::size_t>(c)];
  }
};

/// One component of a karven curve file as a series: the value and its
/// 95% error divided by NORMAL_95; a gap of the file stays a gap (NaN).
ComponentSeries component_series(const Curve& curve, Component component);

/// All three components of a karven curve file; the source names the
/// model, the site is the file's site line.
ReferenceCurve reference_curve(const Curve& curve);

}  // namespace curve
