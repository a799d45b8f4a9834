#include "date/report.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "console/fields.hpp"
#include "console/number_chars.hpp"
#include "console/numbers.hpp"
#include "curve/site_text.hpp"
#include "date/radiocarbon_report.hpp"

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
  std::string text = "to " + curve::site_text(r.to.latitude, r.to.longitude) + ", " +
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

// The HPD regions as the JSON's "levels": level (percent), total and
// intervals (from, to, probability).
nlohmann::ordered_json levels_json(const std::vector<dating::HpdRegion>& regions) {
  nlohmann::ordered_json levels = nlohmann::ordered_json::array();
  for (const dating::HpdRegion& region : regions) {
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
    levels.push_back(level);
  }
  return levels;
}

// A field of a CSV line: quoted when it holds a comma, a quote or a line
// break, a quote doubled inside.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
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
  const auto result = console::to_chars(buffer.data(), buffer.data() + buffer.size(), probability,
                                        std::chars_format::general, 10);
  const double rounded = std::strtod(std::string(buffer.data(), result.ptr).c_str(), nullptr);
  return console::shortest_text(rounded);
}

std::string region_text(const dating::HpdRegion& region, dating::YearNotation notation) {
  std::string text = level_text(region.level) + ": ";
  for (std::size_t k = 0; k < region.intervals.size(); ++k) {
    text += (k == 0 ? "" : ", ") + dating::interval_text(region.intervals[k], notation);
  }
  return text + "; total " + dating::percent_text(region.total);
}

std::string report_line(const std::string& label, const std::string& value) {
  return "  " + padded(label + ":", 20) + value + "\n";
}

std::string dating_lines(const std::string& curve_name, int first_year, int last_year,
                         std::size_t years, const DatedSample& sample,
                         dating::YearNotation notation) {
  const dating::DatingResult& result = *sample.result;
  std::string text =
      report_line("curve", curve_name + ", " + dating::span_text(first_year, last_year, notation) +
                               " (" + std::to_string(years) + " years)");
  text += report_line("most probable year", dating::year_text(result.mode, notation));
  for (const dating::HpdRegion& region : result.regions) {
    text += "  " + region_text(region, notation) + "\n";
  }
  for (const std::string& warning : result.warnings) text += report_line("warning", warning);
  for (const std::string& written : sample.written) text += "  " + written + "\n";
  return text;
}

std::string sample_report(const DatedSample& sample, dating::YearNotation notation) {
  std::string text = console::shown_text(sample.measurement.name) + "\n";
  const auto line = [&text](const std::string& label, const std::string& value) {
    text += report_line(label, value);
  };
  if (sample.site) line("site", curve::site_text(sample.site->latitude, sample.site->longitude));
  if (!sample.result) {
    line("not dated", sample.error);
    return text;
  }
  if (sample.c14) return c14_report(text, sample, notation);
  line("measured", measured_text(sample.measurement));
  if (sample.relocation) line("relocated", relocated_text(*sample.relocation));
  std::string sigmas;
  for (const dating::MeasuredComponent& m : sample.measured) {
    sigmas += (sigmas.empty() ? "" : ", ") + std::string(curve::component_letter(m.component)) +
              " " + console::fixed_text(m.sigma, 2) + unit_of(m.component);
  }
  line("sigmas used", sigmas);
  const dating::GriddedCurve& curve = *sample.curve;
  return text + dating_lines(curve.source, curve.first_year, curve.last_year, curve.size(), sample,
                             notation);
}

SummaryRow summary_row(const DatedSample& sample, dating::YearNotation notation) {
  SummaryRow row;
  row.cells = {console::shown_text(sample.measurement.name)};
  if (sample.site) row.site = curve::site_text(sample.site->latitude, sample.site->longitude);
  if (!sample.result) {
    row.cells.insert(row.cells.end(), {"-", "-", "not dated: " + sample.error});
    return row;
  }
  row.dated = true;
  if (!sample.result->warnings.empty()) {
    row.cells[0] += WARNING_MARK;
    row.marked = true;
  }
  row.cells.push_back(sample.c14 ? "14C" : components_text(sample.result->components, " "));
  row.cells.push_back(dating::year_text(sample.result->mode, notation));
  for (const dating::HpdRegion& region : sample.result->regions) {
    std::string intervals;
    for (const dating::HpdInterval& interval : region.intervals) {
      intervals += (intervals.empty() ? "" : ", ") + dating::interval_text(interval, notation);
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
  if (!sample.result) {
    json["error"] = sample.error;
    if (sample.site) json["site"] = site_json(*sample.site);
    return json;
  }
  const dating::DatingResult& result = *sample.result;
  json["components"] = nlohmann::ordered_json::array();
  for (const Component c : result.components)
    json["components"].push_back(curve::component_letter(c));
  json["mode"] = result.mode;
  json["levels"] = levels_json(result.regions);
  json["warnings"] = result.warnings;
  if (sample.c14) return c14_json(json, sample);
  // What a publication of the dating states besides: the standard
  // deviations used, the years compared and the curve.
  json["sigmas"] = nlohmann::ordered_json::object();
  for (const dating::MeasuredComponent& m : sample.measured) {
    json["sigmas"][curve::component_letter(m.component)] = rounded_value(m.sigma);
  }
  json["span"] = {{"first", sample.curve->first_year}, {"last", sample.curve->last_year}};
  json["curve"] = sample.curve->source;
  if (sample.site) json["site"] = site_json(*sample.site);
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

namespace {

// A warning about an event's date within the sequence, told from the same
// warning about its date alone.
std::string sequence_warning(const dating::DateInSequence& date, const std::string& warning) {
  return date.left_out ? warning : "within the sequence, " + warning;
}

}  // namespace

std::string event_report(const DatedEvent& event, dating::YearNotation notation) {
  std::string text = "Event " + console::shown_text(event.name) + "\n";
  const auto line = [&text](const std::string& label, const std::string& value) {
    text += report_line(label, value);
  };
  std::string rows;
  for (const std::string& row : event.rows)
    rows += (rows.empty() ? "" : ", ") + console::shown_text(row);
  if (event.undated_rows > 0) {
    rows += (rows.empty() ? "" : "; ") + std::to_string(event.undated_rows) +
            (event.undated_rows == 1 ? " row" : " rows") + " not dated, left out";
  }
  line("rows", rows);
  if (!event.alone) {
    line("not dated", event.error);
    return text;
  }
  line("alone", "most probable year " + dating::year_text(event.alone->mode, notation));
  for (const dating::HpdRegion& region : event.alone->regions) {
    text += "    " + region_text(region, notation) + "\n";
  }
  const bool placed = event.in_sequence && !event.in_sequence->left_out;
  if (event.in_sequence && !placed) line("in sequence", "left out");
  if (placed) {
    line("in sequence", "most probable year " +
                            dating::year_text(event.in_sequence->mode, notation) + "; agreement " +
                            console::fixed_text(event.in_sequence->agreement, 1) + "%");
    for (const dating::HpdRegion& region : event.in_sequence->regions) {
      text += "    " + region_text(region, notation) + "\n";
    }
  }
  for (const std::string& warning : event.alone->warnings) line("warning", warning);
  if (event.in_sequence) {
    for (const std::string& warning : event.in_sequence->warnings) {
      line("warning", sequence_warning(*event.in_sequence, warning));
    }
  }
  return text;
}

std::string sequence_report(const dating::SequenceDate& sequence, std::size_t events,
                            bool oldest_first) {
  std::string text = "Sequence: " + std::to_string(events) + (events == 1 ? " event" : " events") +
                     ", listed " + (oldest_first ? "oldest first" : "youngest first") +
                     "; overall agreement " + console::fixed_text(sequence.agreement, 1) + "%\n";
  for (const std::string& warning : sequence.warnings) {
    text += report_line("warning", warning);
  }
  return text;
}

void events_table(std::ostream& out, std::span<const DatedEvent> events,
                  std::span<const double> levels, bool sequence, dating::YearNotation notation) {
  std::vector<std::string> heading = {"event", "rows", "alone"};
  for (const double level : levels) heading.push_back(level_text(level));
  if (sequence) {
    heading.push_back("in sequence");
    for (const double level : levels) heading.push_back(level_text(level));
    heading.push_back("agreement");
  }
  const auto intervals_of = [notation](const dating::HpdRegion& region) {
    std::string text;
    for (const dating::HpdInterval& interval : region.intervals) {
      text += (text.empty() ? "" : ", ") + dating::interval_text(interval, notation);
    }
    return text;
  };
  std::vector<std::vector<std::string>> rows = {heading};
  std::size_t dated = 0;
  for (const DatedEvent& event : events) {
    std::vector<std::string> row = {console::shown_text(event.name),
                                    std::to_string(event.rows.size())};
    if (!event.alone) {
      row.push_back("not dated: " + event.error);
    } else {
      ++dated;
      row.push_back(dating::year_text(event.alone->mode, notation));
      for (const dating::HpdRegion& region : event.alone->regions) {
        row.push_back(intervals_of(region));
      }
      if (event.in_sequence && event.in_sequence->left_out) {
        row.push_back("left out");
      } else if (event.in_sequence) {
        row.push_back(dating::year_text(event.in_sequence->mode, notation));
        for (const dating::HpdRegion& region : event.in_sequence->regions) {
          row.push_back(intervals_of(region));
        }
        row.push_back(console::fixed_text(event.in_sequence->agreement, 1) + "%");
      }
    }
    rows.push_back(std::move(row));
  }
  // The reason an event was not dated runs on and sets no width.
  std::vector<std::size_t> widths;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const bool not_dated = r > 0 && !events[r - 1].alone;
    for (std::size_t k = 0; k + (not_dated ? 1 : 0) < rows[r].size(); ++k) {
      if (widths.size() <= k) widths.push_back(0);
      widths[k] = std::max(widths[k], rows[r][k].size());
    }
  }
  out << "Events: " << events.size() << (events.size() == 1 ? " event, " : " events, ") << dated
      << " dated, " << events.size() - dated << " not dated"
      << (sequence ? ", in a stratigraphic sequence" : "") << "\n";
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t k = 0; k < row.size(); ++k) {
      line += k + 1 == row.size() ? row[k] : padded(row[k], widths[k] + 2);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
}

nlohmann::ordered_json event_json(const DatedEvent& event) {
  nlohmann::ordered_json json;
  json["name"] = event.name;
  json["rows"] = event.rows;
  if (!event.alone) {
    json["error"] = event.error;
    return json;
  }
  json["alone"] = {{"mode", event.alone->mode}, {"levels", levels_json(event.alone->regions)}};
  std::vector<std::string> warnings = event.alone->warnings;
  if (event.in_sequence) {
    for (const std::string& warning : event.in_sequence->warnings) {
      warnings.push_back(sequence_warning(*event.in_sequence, warning));
    }
  }
  json["warnings"] = warnings;
  if (event.in_sequence && event.in_sequence->left_out) {
    json["in_sequence"] = {{"left_out", true}};
  } else if (event.in_sequence) {
    json["in_sequence"] = {{"mode", event.in_sequence->mode},
                           {"levels", levels_json(event.in_sequence->regions)},
                           {"agreement", rounded_value(event.in_sequence->agreement)}};
  }
  return json;
}

nlohmann::ordered_json events_json(std::span<const DatedEvent> events,
                                   const std::optional<dating::SequenceDate>& sequence) {
  nlohmann::ordered_json json;
  json["events"] = nlohmann::ordered_json::array();
  for (const DatedEvent& event : events) json["events"].push_back(event_json(event));
  if (sequence) {
    json["sequence_agreement"] = rounded_value(sequence->agreement);
    json["sequence_warnings"] = sequence->warnings;
  }
  return json;
}

std::string events_density_csv(std::span<const DatedEvent> events, int first_year, int last_year) {
  std::string text = "year";
  for (const DatedEvent& event : events) {
    if (!event.alone) continue;
    text += ',';
    text += csv_field(event.name);
    if (event.in_sequence && !event.in_sequence->left_out) {
      text += ',';
      text += csv_field(event.name + " in sequence");
    }
  }
  text += '\n';
  for (int year = first_year; year <= last_year; ++year) {
    text += std::to_string(year);
    for (const DatedEvent& event : events) {
      if (!event.alone) continue;
      text += ',';
      text += probability_text(event.alone->density.at(year));
      if (event.in_sequence && !event.in_sequence->left_out) {
        text += ',';
        text += probability_text(event.in_sequence->density.at(year));
      }
    }
    text += '\n';
  }
  return text;
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
