#include "date/radiocarbon_report.hpp"

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace date {

std::string c14_report(std::string text, const DatedSample& sample, dating::YearNotation notation) {
  const auto line = [&text](const std::string& label, const std::string& value) {
    std::string head = label + ":";
    if (head.size() < 20) head.append(20 - head.size(), ' ');
    text += "  " + head + value + "\n";
  };
  const radiocarbon::GriddedCalibrationCurve& curve = *sample.c14->curve;
  const dating::DatingResult& result = *sample.result;
  line("measured", c14_measured_text(sample.c14->age));
  line("curve", c14_curve_text(curve) + ", " +
                    dating::span_text(curve.first_year, curve.last_year, notation) + " (" +
                    std::to_string(curve.size()) + " years)");
  line("most probable year", dating::year_text(result.mode, notation));
  for (const dating::HpdRegion& region : result.regions) {
    text += "  " + region_text(region, notation) + "\n";
  }
  for (const std::string& warning : result.warnings) line("warning", warning);
  for (const std::string& written : sample.written) text += "  " + written + "\n";
  return text;
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
