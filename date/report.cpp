#include "date/report.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "plot/gnuplot.hpp"

namespace date {

namespace {

using curve::Component;

// A probability or a sigma rounded to 10 significant digits, as the JSON
// holds it.
double rounded_value(double value) { return std::strtod(probability_text(value).c_str(), nullptr); }

std::string level_text(double level) { return console::shortest_text(level) + "%"; }

const char* unit_of(Component c) { return c == Component::intensity ? " uT" : " deg"; }

std::string measured_text(const dating::Measurement& m) {
  std::vector<std::string> parts;
  const auto add = [&parts](const char* what, const std::optional<double>& value,
                            const char* unit) {
    if (value) parts.push_back(std::string(what) + " " + console::shortest_text(*value) + unit);
  };
  add("D", m.declination, " deg");
  add("I", m.inclination, " deg");
  add("alpha95", m.alpha95, " deg");
  add("F", m.intensity, " uT");
  add("sigma", m.intensity_sigma, " uT");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text.empty() ? "nothing" : text;
}

// The values of a relocated measurement, with two decimals.
std::string relocated_text(const dating::Relocation& r) {
  const dating::Measurement& m = r.measurement;
  std::string text = "to " + plot::site_text(r.to.latitude, r.to.longitude) + ", " +
                     console::fixed_text(r.distance_km, r.distance_km < 10.0 ? 1 : 0) + " km:";
  std::string values;
  const auto add = [&values](const char* what, const std::optional<double>& value,
                             const char* unit) {
    if (!value) return;
    values += (values.empty() ? " " : ", ") + std::string(what) + " " +
              console::fixed_text(*value, 2) + unit;
  };
  add("D", m.declination, " deg");
  add("I", m.inclination, " deg");
  if (r.declination_assumed && m.inclination) {
    values += " (through the pole with D taken as 0, the axial dipole's)";
  }
  add("F", m.intensity, " uT");
  add("sigma", m.intensity_sigma, " uT");
  return text + values;
}

nlohmann::ordered_json site_json(const curve::Site& site) {
  return {{"lat", site.latitude}, {"lon", site.longitude}};
}

std::string components_text(const std::vector<Component>& components, const char* between) {
  std::string text;
  for (const Component c : components) {
    if (!text.empty()) text += between;
    text += curve::component_letter(c);
  }
  return text;
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::string probability_text(double probability) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), probability,
                                    std::chars_format::general, 10);
  const double rounded = std::strtod(std::string(buffer.data(), result.ptr).c_str(), nullptr);
  return console::shortest_text(rounded);
}

std::string region_text(const dating::HpdRegion& region) {
  std::string text = level_text(region.level) + ": ";
  for (std::size_t k = 0; k < region.intervals.size(); ++k) {
    text += (k == 0 ? "" : ", ") + dating::interval_text(region.intervals[k]);
  }
  return text + "; total " + dating::percent_text(region.total);
}

std::string sample_report(const DatedSample& sample) {
  std::string text = console::shown_text(sample.measurement.name) + "\n";
  const auto line = [&text](const std::string& label, const std::string& value) {
    text += "  " + padded(label + ":", 20) + value + "\n";
  };
  if (sample.site) line("site", plot::site_text(sample.site->latitude, sample.site->longitude));
  if (!sample.result) {
    line("not dated", sample.error);
    return text;
  }
  line("measured", measured_text(sample.measurement));
  if (sample.relocation) line("relocated", relocated_text(*sample.relocation));
  const dating::DatingResult& result = *sample.result;
  std::string sigmas;
  for (const dating::MeasuredComponent& m : sample.measured) {
    sigmas += (sigmas.empty() ? "" : ", ") + std::string(curve::component_letter(m.component)) +
              " " + console::fixed_text(m.sigma, 2) + unit_of(m.component);
  }
  line("sigmas used", sigmas);
  const dating::GriddedCurve& curve = *sample.curve;
  line("curve", curve.source + ", " + dating::span_text(curve.first_year, curve.last_year) + " (" +
                    std::to_string(curve.size()) + " years)");
  line("most probable year", dating::year_text(result.mode));
  for (const dating::HpdRegion& region : result.regions) text += "  " + region_text(region) + "\n";
  for (const std::string& warning : result.warnings) line("warning", warning);
  for (const std::string& written : sample.written) text += "  " + written + "\n";
  return text;
}

SummaryRow summary_row(const DatedSample& sample) {
  SummaryRow row;
  row.cells = {console::shown_text(sample.measurement.name)};
  if (sample.site) row.site = plot::site_text(sample.site->latitude, sample.site->longitude);
  if (!sample.result) {
    row.cells.insert(row.cells.end(), {"-", "-", "not dated: " + sample.error});
    return row;
  }
  row.dated = true;
  if (!sample.result->warnings.empty()) {
    row.cells[0] += WARNING_MARK;
    row.marked = true;
  }
  row.cells.push_back(components_text(sample.result->components, " "));
  row.cells.push_back(dating::year_text(sample.result->mode));
  for (const dating::HpdRegion& region : sample.result->regions) {
    std::string intervals;
    for (const dating::HpdInterval& interval : region.intervals) {
      intervals += (intervals.empty() ? "" : ", ") + dating::interval_text(interval);
    }
    row.cells.push_back(intervals);
  }
  return row;
}

void summary_table(std::ostream& out, std::span<const SummaryRow> samples,
                   std::span<const double> levels) {
  std::vector<std::string> heading = {"name", "used", "mode"};
  for (const double level : levels) heading.push_back(level_text(level));
  std::size_t dated = 0;
  bool marked = false;
  bool sites = false;
  for (const SummaryRow& sample : samples) {
    dated += sample.dated ? 1 : 0;
    marked = marked || sample.marked;
    sites = sites || !sample.site.empty();
  }
  // The cells of a line: the site after the name, when sites are known.
  const auto cells_of = [&](std::size_t r) {
    std::vector<std::string> row = r == 0 ? heading : samples[r - 1].cells;
    if (sites) {
      const std::string site = r == 0 ? "site" : samples[r - 1].site;
      row.insert(row.begin() + 1, site.empty() ? "-" : site);
    }
    return row;
  };
  // The reason a sample was not dated runs on over the level columns and
  // sets no width.
  std::vector<std::size_t> widths;
  for (std::size_t r = 0; r <= samples.size(); ++r) {
    const std::vector<std::string> row = cells_of(r);
    const bool not_dated = r > 0 && !samples[r - 1].dated;
    for (std::size_t k = 0; k < row.size() - (not_dated ? 1 : 0); ++k) {
      if (widths.size() <= k) widths.push_back(0);
      widths[k] = std::max(widths[k], row[k].size());
    }
  }
  out << "Summary: " << samples.size() << (samples.size() == 1 ? " sample, " : " samples, ")
      << dated << " dated, " << samples.size() - dated << " not dated\n";
  for (std::size_t r = 0; r <= samples.size(); ++r) {
    const std::vector<std::string> row = cells_of(r);
    std::string line;
    for (std::size_t k = 0; k < row.size(); ++k) {
      line += k + 1 == row.size() ? row[k] : padded(row[k], widths[k] + 2);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
  if (marked) out << "*: the sample has warnings; see its report above\n";
}

nlohmann::ordered_json sample_json(const DatedSample& sample) {
  nlohmann::ordered_json json;
  json["name"] = sample.measurement.name;
  if (sample.site) json["site"] = site_json(*sample.site);
  if (!sample.result) {
    json["error"] = sample.error;
    return json;
  }
  const dating::DatingResult& result = *sample.result;
  json["components"] = nlohmann::ordered_json::array();
  for (const Component c : result.components)
    json["components"].push_back(curve::component_letter(c));
  json["mode"] = result.mode;
  json["levels"] = nlohmann::ordered_json::array();
  for (const dating::HpdRegion& region : result.regions) {
    nlohmann::ordered_json level;
    if (region.level == std::floor(region.level)) {
      level["level"] = static_cast<int>(region.level);
    } else {
      level["level"] = region.level;
    }
    level["total"] = rounded_value(region.total);
    level["intervals"] = nlohmann::ordered_json::array();
    for (const dating::HpdInterval& interval : region.intervals) {
      level["intervals"].push_back({{"from", interval.from},
                                    {"to", interval.to},
                                    {"probability", rounded_value(interval.probability)}});
    }
    json["levels"].push_back(level);
  }
  json["warnings"] = result.warnings;
  // What a publication of the dating states besides: the standard
  // deviations used, the years compared and the curve.
  json["sigmas"] = nlohmann::ordered_json::object();
  for (const dating::MeasuredComponent& m : sample.measured) {
    json["sigmas"][curve::component_letter(m.component)] = rounded_value(m.sigma);
  }
  json["span"] = {{"first", sample.curve->first_year}, {"last", sample.curve->last_year}};
  json["curve"] = sample.curve->source;
  if (sample.relocation) {
    // The values compared with the curve, relocated to its site.
    const dating::Relocation& r = *sample.relocation;
    nlohmann::ordered_json relocation;
    relocation["to"] = site_json(r.to);
    relocation["distance_km"] = rounded_value(r.distance_km);
    const dating::Measurement& m = r.measurement;
    for (const auto& [name, value] : {std::pair{"dec", &m.declination},
                                      {"inc", &m.inclination},
                                      {"int", &m.intensity},
                                      {"sigma_int", &m.intensity_sigma}}) {
      if (*value) relocation[name] = rounded_value(**value);
    }
    relocation["declination_assumed"] = r.declination_assumed;
    json["relocation"] = relocation;
  }
  return json;
}

std::string density_csv(const dating::DatingResult& result) {
  std::string text = "year";
  for (const Component c : result.components) {
    text += ',';
    text += curve::component_letter(c);
  }
  text += ",combined\n";
  for (std::size_t k = 0; k < result.combined.size(); ++k) {
    text += std::to_string(result.first_year + static_cast<int>(k));
    for (const Component c : result.components) {
      text += ',';
      text += probability_text(result.densities[static_cast<std::size_t>(c)][k]);
    }
    text += ',';
    text += probability_text(result.combined[k]);
    text += '\n';
  }
  return text;
}

}  // namespace date
