#include "map/grid.hpp"

#include <algorithm>
#include <cmath>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "model/model.hpp"

namespace field_map {

namespace {

using console::quoted_text;

std::string number_text(double value) { return console::shortest_text(value); }

// The smallest count of decimals, at most nine, in which a value is a
// decimal number whose nearest double it is: 1 for 0.1, 0 for -15.
std::optional<int> decimals_of(double value) {
  double scale = 1.0;
  for (int decimals = 0; decimals <= 9; ++decimals, scale *= 10.0) {
    if (std::round(value * scale) / scale == value) return decimals;
  }
  return std::nullopt;
}

// The nodes from `low` toward `high`, `step` apart: as integers of a common
// decimal unit where all three are decimal numbers, so that each node is
// the double nearest its decimal value; else by multiples of the step.
std::vector<double> axis(double low, double high, double step) {
  const std::optional<int> low_decimals = decimals_of(low);
  const std::optional<int> high_decimals = decimals_of(high);
  const std::optional<int> step_decimals = decimals_of(step);
  std::vector<double> nodes;
  if (low_decimals && high_decimals && step_decimals) {
    const double scale = std::pow(10.0, std::max({*low_decimals, *high_decimals, *step_decimals}));
    // Below 2^53 at nine decimals and bounds of at most 60 degrees: exact.
    const auto low_units = static_cast<std::int64_t>(std::round(low * scale));
    const auto high_units = static_cast<std::int64_t>(std::round(high * scale));
    const auto step_units = static_cast<std::int64_t>(std::round(step * scale));
    const std::int64_t count = (high_units - low_units) / step_units + 1;
    for (std::int64_t i = 0; i < count; ++i) {
      nodes.push_back(static_cast<double>(low_units + i * step_units) / scale);
    }
    return nodes;
  }
  const auto count = static_cast<std::int64_t>(std::floor((high - low) / step + 1e-9)) + 1;
  for (std::int64_t i = 0; i < count; ++i) {
    nodes.push_back(std::min(high, low + static_cast<double>(i) * step));
  }
  return nodes;
}

std::optional<double> parse_number(std::string_view text) {
  return console::parse_real(text, console::NumberForm::decimal);
}

}  // namespace

std::string grouped_count(double count) {
  if (!(count < 1e18)) return console::shortest_text(count);
  std::string digits = std::to_string(static_cast<long long>(count));
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  }
  return digits;
}

Region model_region() {
  return {model::MIN_LATITUDE, model::MAX_LATITUDE, model::MIN_LONGITUDE, model::MAX_LONGITUDE};
}

std::string region_text(const Region& region) {
  return number_text(region.south) + "/" + number_text(region.north) + "/" +
         number_text(region.west) + "/" + number_text(region.east);
}

namespace {

// The four numbers of "S/N/W/E", before their bounds are checked.
Region region_numbers(std::string_view text) {
  const auto not_a_region = [text]() {
    return GridError(
        "--region: expected four numbers south/north/west/east, e.g. 35/60/-15/30, "
        "read " +
        quoted_text(text));
  };
  std::vector<double> bounds;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = text.find('/', start);
    const std::optional<double> value = parse_number(text.substr(start, slash - start));
    if (!value || !std::isfinite(*value)) throw not_a_region();
    bounds.push_back(*value);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (bounds.size() != 4) throw not_a_region();
  return Region{bounds[0], bounds[1], bounds[2], bounds[3]};
}

void check_order(const Region& region) {
  if (!(region.south < region.north)) {
    throw GridError("--region: the south bound must lie below the north bound: " +
                    region_text(region));
  }
  if (!(region.west < region.east)) {
    throw GridError("--region: the west bound must lie below the east bound: " +
                    region_text(region));
  }
}

}  // namespace

Region world_region() { return {-90.0, 90.0, -180.0, 180.0}; }

Region parse_global_region(std::string_view text) {
  if (text == "world") return world_region();
  const Region region = region_numbers(text);
  if (region.south < -90.0 || region.north > 90.0) {
    throw GridError("--region: " + region_text(region) +
                    " reaches beyond a pole; latitudes run from -90 to 90");
  }
  if (region.west < -180.0 || region.east > 360.0) {
    throw GridError("--region: " + region_text(region) +
                    " reaches outside the longitudes -180 to 360 east");
  }
  check_order(region);
  if (region.east - region.west > 360.0) {
    throw GridError("--region: " + region_text(region) +
                    " goes round the Earth more than once; west and east lie at most 360 "
                    "degrees apart");
  }
  return region;
}

GridAxes make_global_grid(const Region& region, double step) {
  if (step > 0.0 && std::isfinite(step)) {
    const double nodes = (std::floor((region.north - region.south) / step) + 1.0) *
                         (std::floor((region.east - region.west) / step) + 1.0);
    if (nodes > MAX_GLOBAL_NODES) {
      throw GridError("--step: a step of " + degrees_text(step) + " gives " + grouped_count(nodes) +
                      " nodes over the region " + region_text(region) +
                      ", more than can be held; at most " + grouped_count(MAX_GLOBAL_NODES) +
                      " nodes");
    }
  }
  return make_grid(region, step);
}

Region parse_region(std::string_view text) {
  if (text == "world") {
    throw GridError(
        "--region: world is for a global model (e.g. --model ARCH10k.1); the regional model "
        "covers 35/60/-15/30");
  }
  const Region region = region_numbers(text);
  const Region whole = model_region();
  if (region.south < whole.south || region.north > whole.north || region.west < whole.west ||
      region.east > whole.east) {
    throw GridError("--region: " + region_text(region) +
                    " reaches outside the model's region, 35/60/-15/30 (latitude 35 to 60 "
                    "north, longitude 15 west to 30 east)");
  }
  check_order(region);
  return region;
}

double parse_step(std::string_view text) {
  const std::optional<double> value = parse_number(text);
  if (!value) throw GridError("--step: expected a number of degrees, read " + quoted_text(text));
  return *value;
}

std::string degrees_text(double degrees) {
  return number_text(degrees) + (degrees == 1.0 ? " degree" : " degrees");
}

GridAxes make_grid(const Region& region, double step) {
  if (!(step > 0.0) || !std::isfinite(step)) {
    throw GridError("--step: the step must be a positive number of degrees: " + number_text(step));
  }
  if (step < MIN_STEP) {
    const auto nodes = [step](double low, double high) {
      return std::floor((high - low) / step) + 1.0;
    };
    const Region whole = model_region();
    const double rows = nodes(region.south, region.north);
    const double columns = nodes(region.west, region.east);
    const double limit = std::floor((whole.north - whole.south) / MIN_STEP + 0.5) + 1.0;
    const double limit_columns = std::floor((whole.east - whole.west) / MIN_STEP + 0.5) + 1.0;
    throw GridError("--step: a step of " + degrees_text(step) + " gives " +
                    grouped_count(rows * columns) +
                    " nodes over the region, more than can be held; the step must be at least " +
                    degrees_text(MIN_STEP) + " (at most " + grouped_count(limit * limit_columns) +
                    " nodes over the whole region)");
  }
  GridAxes grid;
  grid.step = step;
  grid.latitudes = axis(region.south, region.north, step);
  grid.longitudes = axis(region.west, region.east, step);
  if (grid.latitudes.size() < 2 || grid.longitudes.size() < 2) {
    throw GridError("--step: at a step of " + degrees_text(step) + " the region " +
                    region_text(region) + " holds a single " +
                    (grid.latitudes.size() < 2 ? "row" : "column") +
                    " of nodes; give a smaller step");
  }
  return grid;
}

int epoch_index(std::string_view year_text) {
  const std::optional<double> year = parse_number(year_text);
  if (!year || !std::isfinite(*year)) {
    throw GridError("--year: expected a year AD, e.g. 1500, read " + quoted_text(year_text));
  }
  try {
    return model::epoch_index(*year);
  } catch (const model::NotAnEpoch& e) {
    throw GridError(std::string("--year: ") + e.what());
  }
}

}  // namespace field_map
