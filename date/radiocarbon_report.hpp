// What karven-date writes of a calibrated 14C age, where it differs from
// what it writes of a measurement.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "date/report.hpp"

namespace date {

/// The report of a calibrated age after its name (and site) in `text`: the
/// measured age, the curve with its citation and span, the most probable
/// year, one line per level, one per warning and the files written.
std::string c14_report(std::string text, const DatedSample& sample, dating::YearNotation notation);

/// The JSON of a calibrated age after its levels and warnings in `json`:
/// "components" ["14C"], "c14" (age, sigma, delta_r, delta_r_sigma), the
/// curve's span, "curve" and "citation", and its site when known.
nlohmann::ordered_json c14_json(nlohmann::ordered_json json, const DatedSample& sample);

}  // namespace date
