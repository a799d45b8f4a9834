#include "date/radiocarbon_report.hpp"

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace date {

std::string c14_report(std::string text, const DatedSample& sample, dating::YearNotation notation) {
  const radiocarbon::GriddedCalibrationCurve& curve = *sample.c14->curve;
  text += report_line("measured", c14_measured_text(sample.c14->age));
  return text + dating_lines(c14_curve_text(curve), curve.first_year, curve.last_year, curve.size(),
                             sample, notation);
}

nlohmann::ordered_json c14_json(nlohmann::ordered_json json, const DatedSample& sample) {
  const radiocarbon::C14Age& age = sample.c14->age;
  const radiocarbon::GriddedCalibrationCurve& curve = *sample.c14->curve;
  json["components"] = {"14C"};
  json["c14"] = {{"age", age.age},
                 {"sigma", age.sigma},
                 {"delta_r", age.delta_r},
                 {"delta_r_sigma", age.delta_r_sigma}};
  json["span"] = {{"first", curve.first_year}, {"last", curve.last_year}};
  json["curve"] = curve.name;
  json["citation"] = curve.citation;
  if (sample.site) {
    json["site"] = {{"lat", sample.site->latitude}, {"lon", sample.site->longitude}};
  }
  return json;
}

}  // namespace date
