#include "dating_rows/rows.hpp"

#include <cmath>
#include <utility>

#include "console/fields.hpp"

namespace dating_rows {

void check_levels(const std::vector<double>& levels) {
  for (const double level : levels) {
    if (level > 0.0 && level < 1.0) {
      throw RowError("levels: a level is in percent, e.g. 95 for 95%; read " +
                     console::shortest_text(level) + ", which would be " +
                     console::shortest_text(level) + "%");
    }
  }
  // The library's own rule, on a density that any level holds.
  const std::vector<double> certain = {1.0};
  try {
    dating::hpd_regions(certain, 0, levels);
  } catch (const std::invalid_argument& e) {
    throw RowError(std::string("levels: ") + e.what());
  }
}

dating::Site checked_site(double latitude, double longitude) {
  if (!(latitude >= -90.0 && latitude <= 90.0)) {
    throw RowError("site: the latitude must lie between -90 and 90 degrees: " +
                   console::shortest_text(latitude));
  }
  if (!std::isfinite(longitude)) {
    throw RowError("site: the longitude is not a finite number: " +
                   console::shortest_text(longitude));
  }
  return dating::Site{latitude, longitude};
}

std::vector<dating::MeasuredComponent> components_used(const dating::Measurement& measurement,
                                                       const ArgumentName& name) {
  try {
    return dating::measured_components(measurement);
  } catch (const dating::MeasurementError& e) {
    throw RowError(e.field().empty() ? e.what() : name(e.field()) + ": " + e.what());
  }
}

std::optional<Relocated> relocated(const dating::Measurement& measurement, const dating::Site& site,
                                   const curve::Site& curve_site) {
  dating::Relocation relocation = dating::relocate(measurement, site, curve_site);
  if (!(relocation.distance_km > 0.0)) return std::nullopt;
  std::string warning = dating::relocation_warning(relocation);
  return Relocated{std::move(relocation), std::move(warning)};
}

UsedComponents used_components(const std::vector<dating::MeasuredComponent>& measured) {
  UsedComponents used;
  for (const dating::MeasuredComponent& m : measured) {
    used.components.push_back(m.component);
    used.key |= 1U << static_cast<unsigned>(m.component);
  }
  return used;
}

std::vector<double> on_grid(const dating::Density& density, int first_year, std::size_t count) {
  std::vector<double> values(count);
  for (std::size_t k = 0; k < count; ++k) {
    values[k] = density.at(first_year + static_cast<int>(k));
  }
  return values;
}

void check_order(std::string_view order) {
  if (order != "oldest-first" && order != "youngest-first") {
    throw RowError("order: expected \"oldest-first\" or \"youngest-first\", got \"" +
                   std::string(order) + "\"");
  }
}

std::vector<std::size_t> oldest_first(std::string_view order, std::size_t count) {
  std::vector<std::size_t> indices(count);
  for (std::size_t k = 0; k < count; ++k) {
    indices[k] = order == "oldest-first" ? k : count - 1 - k;
  }
  return indices;
}

}  // namespace dating_rows
