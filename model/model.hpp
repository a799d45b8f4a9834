// The regional field model as a library: a coefficient file loaded once,
// then the palaeosecular variation curve evaluated at site after site of
// the model's region in one process, by the same procedures and constants
// as the main program's run. Pure computation: no console, and no file but
// the coefficient file that a model is loaded from.
//
// The evaluation runs the main program's procedures, which keep the site,
// its basis and the coefficient table in module-level records: it is not
// reentrant. Evaluate from one thread at a time; a site leaves nothing
// behind for the next (every record of a site is written anew).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "driver/coefficients.hpp"
#include "driver/constants.hpp"
#include "driver/curve_values.hpp"

namespace model {

/// The model's name, as curve files and reports give it.
inline constexpr const char* MODEL_NAME = "KARVEN.EU.26";

/// Epochs of the model: the years 0, 5, ..., 1900 AD.
inline constexpr int EPOCHS = driver::N_EPOCHS;

/// One epoch of a site's curve: the year (AD), declination, inclination
/// (degrees), intensity (microtesla) and their errors at 95% confidence.
using driver::CurveValues;

/// The year of epoch k, k = 0 to 380: 5 k, years AD.
constexpr double epoch_year(int k) { return 5.0 * k; }

/// A year that is not one of the model's epochs.
class NotAnEpoch : public std::domain_error {
 public:
  using std::domain_error::domain_error;
};

/// The index k of the model's epoch at a year AD: 0 for 0 AD, 300 for
/// 1500 AD.
///
/// @throws NotAnEpoch when the year lies between two epochs ("1502 is not
///         an epoch of the model; the epochs around it are 1500 and 1505
///         AD"), outside them, or is not finite
int epoch_index(double year);

/// The model's region in geodetic degrees, bounds included: the bounds the
/// main program's dialogue asks within.
inline constexpr double MIN_LATITUDE = driver::MIN_LATITUDE;
inline constexpr double MAX_LATITUDE = driver::MAX_LATITUDE;
inline constexpr double MIN_LONGITUDE = driver::MIN_LONGITUDE;
inline constexpr double MAX_LONGITUDE = driver::MAX_LONGITUDE;

/// Whether a site lies in the model's region: latitude 35 to 60 degrees
/// north, longitude 15 degrees west to 30 degrees east, bounds included.
/// NaN lies outside.
bool in_region(double latitude, double longitude);

/// A site outside the model's region; the message names the site and the
/// region's bounds.
class SiteOutsideRegion : public std::domain_error {
 public:
  using std::domain_error::domain_error;
};

/// A site's curve: the site as given and the 381 epochs in order of time.
struct SiteCurve {
  double latitude = 0.0;   // geodetic, degrees north, as given
  double longitude = 0.0;  // geodetic, degrees east, as given
  std::array<CurveValues, EPOCHS> epochs{};
};

/// The model: its coefficient table, loaded once. Copies share the table.
class Model {
 public:
  /// Loads a coefficient file by the main program's reader, with its
  /// messages ("the coefficient file PATH ...").
  ///
  /// @param[in] coefficient_file  any path; messages name it as given
  /// @throws driver::CoefficientFileError when it cannot be read or is not
  ///         a coefficient file
  explicit Model(const std::filesystem::path& coefficient_file);

  /// A model from a table already read (tests, other readers).
  explicit Model(const driver::CoefficientTable& table);

  /// The curve at a site, evaluated as the main program evaluates it for
  /// the same typed answers: a latitude of exactly 45 is taken as 45.001
  /// and a longitude of exactly 8 as 8.001 (the cap's pole), while the
  /// result keeps the site as given. Formatting each epoch as the curve
  /// file does gives the main program's curve lines exactly.
  ///
  /// @param[in] latitude   geodetic latitude, degrees north, 35 to 60
  /// @param[in] longitude  geodetic longitude, degrees east, -15 to 30
  /// @throws SiteOutsideRegion when the site lies outside the region
  /// @throws errors::RunAborted after a fatal report of the Legendre
  ///         routines on the console (no site of the region causes one)
  SiteCurve curve(double latitude, double longitude) const;

  /// The same, into storage the caller owns (no allocation).
  ///
  /// @param[out] epochs  the 381 epochs, in order of time
  void evaluate(double latitude, double longitude, std::span<CurveValues, EPOCHS> epochs) const;

  /// The coefficient table.
  const driver::CoefficientTable& table() const { return *table_; }

 private:
  std::shared_ptr<const driver::CoefficientTable> table_;
  std::uint64_t id_ = 0;  // tells this table from others in the shared record
};

/// For tests that reset the main program's records: the next evaluation
/// sets up the cap degree table and the coefficient table anew.
void reset_model_records();

}  // namespace model
