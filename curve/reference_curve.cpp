#include "curve/reference_curve.hpp"

#include <cmath>
#include <limits>

namespace curve {

namespace {

struct ComponentColumns {
  Quantity value;
  Quantity error;
};

ComponentColumns columns(Component component) {
  switch (component) {
    case Component::declination:
      return {DECLINATION, DECLINATION_ERROR};
    case Component::inclination:
      return {INCLINATION, INCLINATION_ERROR};
    case Component::intensity:
      break;
  }
  return {INTENSITY, INTENSITY_ERROR};
}

}  // namespace

const char* component_letter(Component component) {
  switch (component) {
    case Component::declination:
      return "D";
    case Component::inclination:
      return "I";
    case Component::intensity:
      break;
  }
  return "F";
}

const char* component_name(Component component) {
  switch (component) {
    case Component::declination:
      return "declination";
    case Component::inclination:
      return "inclination";
    case Component::intensity:
      break;
  }
  return "intensity";
}

ComponentSeries component_series(const Curve& curve, Component component) {
  const ComponentColumns c = columns(component);
  constexpr double GAP = std::numeric_limits<double>::quiet_NaN();
  ComponentSeries series;
  series.years.reserve(curve.points.size());
  series.values.reserve(curve.points.size());
  series.sigmas.reserve(curve.points.size());
  for (const CurvePoint& point : curve.points) {
    const double value = point.values[c.value];
    const double error = point.values[c.error];
    const bool usable = std::isfinite(value) && std::isfinite(error);
    series.years.push_back(point.year);
    series.values.push_back(usable ? value : GAP);
    series.sigmas.push_back(usable ? error / NORMAL_95 : GAP);
  }
  return series;
}

ReferenceCurve reference_curve(const Curve& curve) {
  ReferenceCurve reference;
  reference.source = curve.model;
  reference.site = Site{curve.latitude, curve.longitude};
  for (const Component component : COMPONENTS)
    reference[component] = component_series(curve, component);
  return reference;
}

}  // namespace curve
