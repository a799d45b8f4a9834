#include "model/model.hpp"

#include <atomic>
#include <cmath>

#include "cap/cap_basis.hpp"
#include "cap/cap_frame.hpp"
#include "console/fields.hpp"
#include "driver/error_estimates.hpp"
#include "driver/run.hpp"
#include "driver/site_basis.hpp"

namespace model {

namespace {

// Each model's table gets a number of its own, so that the shared record
// of the coefficient table is copied only when another model's table is
// to be evaluated.
std::uint64_t next_model_id() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

// The records that a run sets once: the cap degree table, and which
// model's table the coefficient record holds.
struct SharedRecords {
  bool degrees_loaded = false;
  std::uint64_t installed_table = 0;
};

SharedRecords& shared() {
  static SharedRecords record;
  return record;
}

// A number as given, NaN and infinities named as such ("inf", "-inf").
std::string coordinate_text(double value) {
  return std::isnan(value) ? "NaN" : console::shortest_text(value);
}

}  // namespace

int epoch_index(double year) {
  const double last = epoch_year(EPOCHS - 1);
  if (!(year >= 0.0 && year <= last)) {
    throw NotAnEpoch("the model's epochs are the years 0 to " + console::shortest_text(last) +
                     " AD, every 5 years: " + coordinate_text(year));
  }
  const int before = static_cast<int>(std::floor(year / epoch_year(1)));
  if (epoch_year(before) != year) {
    throw NotAnEpoch(console::shortest_text(year) +
                     " is not an epoch of the model; the epochs around it are " +
                     console::shortest_text(epoch_year(before)) + " and " +
                     console::shortest_text(epoch_year(before + 1)) + " AD");
  }
  return before;
}

bool in_region(double latitude, double longitude) {
  // Written so that NaN fails, as in the dialogue's range tests.
  return latitude >= MIN_LATITUDE && latitude <= MAX_LATITUDE && longitude >= MIN_LONGITUDE &&
         longitude <= MAX_LONGITUDE;
}

void reset_model_records() { shared() = {}; }

Model::Model(const std::filesystem::path& coefficient_file)
    : Model(driver::read_coefficient_file(coefficient_file)) {}

Model::Model(const driver::CoefficientTable& table)
    : table_(std::make_shared<const driver::CoefficientTable>(table)), id_(next_model_id()) {}

SiteCurve Model::curve(double latitude, double longitude) const {
  SiteCurve result;
  result.latitude = latitude;
  result.longitude = longitude;
  evaluate(latitude, longitude, result.epochs);
  return result;
}

void Model::evaluate(double latitude, double longitude,
                     std::span<CurveValues, EPOCHS> epochs) const {
  if (!in_region(latitude, longitude)) {
    throw SiteOutsideRegion("the site " + coordinate_text(latitude) + ", " +
                            coordinate_text(longitude) +
                            " lies outside the model's region: latitude 35 N to 60 N, "
                            "longitude 15 W to 30 E");
  }
  SharedRecords& records = shared();
  if (!records.degrees_loaded) {
    cap::load_cap_degrees(driver::cap_degree_table());
    records.degrees_loaded = true;
  }
  if (records.installed_table != id_) {
    driver::set_coefficient_table(*table_);
    records.installed_table = id_;
  }
  // The run's order: the pole, the site nudged off it, the basis at the
  // site, the factors of the error propagation, then the epochs.
  cap::set_cap_pole(driver::CAP_POLE_LAT, driver::CAP_POLE_LON, latitude, longitude);
  driver::set_site(latitude, longitude);
  driver::compute_site_basis();
  driver::compute_site_factors();
  for (int i = 1; i <= EPOCHS; ++i) {
    epochs[static_cast<std::size_t>(i - 1)] = driver::curve_values(i);
  }
}

}  // namespace model
