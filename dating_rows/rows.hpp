// The checks and the preparation that a binding of dating (the Python
// module, the web module) applies to the measurements it is given before
// the dating library dates them: HPD levels, a measurement's site, the
// components it uses and its relocation to the curve's site, and the order
// of a sequence. The messages name the arguments as the bindings' users
// write them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "curve/reference_curve.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "dating/relocation.hpp"

namespace dating_rows {

/// A value given to a binding that cannot be taken; the message names it.
class RowError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

/// Checks HPD levels, in percent: a level between 0 and 1 is taken for a
/// fraction and refused, the rest as the dating library's own rule has it.
///
/// @throws RowError "levels: a level is in percent, e.g. 95 for 95%; ..."
void check_levels(const std::vector<double>& levels);

/// Checks the site where a measurement was taken: a latitude from -90 to
/// 90 degrees and a finite longitude.
///
/// @throws RowError naming "site" and the value at fault
dating::Site checked_site(double latitude, double longitude);

/// How a binding names a measured value, by the dating library's field
/// name ("dec", "int", ...).
using ArgumentName = std::function<std::string(const std::string& field)>;

/// The components a measurement gives, as the dating library takes them.
///
/// @param[in] name  the binding's name of a field, for the message
/// @throws RowError for a measurement that gives none, or a bad value
std::vector<dating::MeasuredComponent> components_used(const dating::Measurement& measurement,
                                                       const ArgumentName& name);

/// A measurement relocated to its curve's site, with the words it warns
/// with (empty when it warns of nothing).
struct Relocated {
  dating::Relocation relocation;
  std::string warning;
};

/// The measurement taken from its own site to the curve's, as karven-date
/// relocates it: nothing when the two are the same place.
///
/// @throws dating::MeasurementError for values that cannot be relocated
std::optional<Relocated> relocated(const dating::Measurement& measurement, const dating::Site& site,
                                   const curve::Site& curve_site);

/// The components used, in order, and the set of them as bits (1 << the
/// component's index): the key of the curve gridded for them.
struct UsedComponents {
  std::vector<curve::Component> components;
  unsigned key = 0;
};
UsedComponents used_components(const std::vector<dating::MeasuredComponent>& measured);

/// A density held on a stretch of the year grid, on the whole grid of
/// `count` years from `first_year` (zero outside the stretch).
std::vector<double> on_grid(const dating::Density& density, int first_year, std::size_t count);

/// Checks the order of a sequence's events: "oldest-first" or
/// "youngest-first".
///
/// @throws RowError naming "order" and the word given
void check_order(std::string_view order);

/// The events' indices, the oldest first, for `count` events given in
/// `order` (as check_order takes it).
std::vector<std::size_t> oldest_first(std::string_view order, std::size_t count);

}  // namespace dating_rows
