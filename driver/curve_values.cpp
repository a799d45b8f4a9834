#include "driver/curve_values.hpp"

#include "driver/error_estimates.hpp"
#include "driver/site_basis.hpp"

namespace driver {

CurveValues curve_values(int i) {
  const EpochField field = evaluate_epoch(i);
  const EpochErrors errors = estimate_errors(i, field);
  return {field.year, field.D, field.I, field.F, errors.eD, errors.eI, errors.eF};
}

}  // namespace driver
