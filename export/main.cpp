// karven-export: a curve of karven (its curve file, or the model's curve
// at one site or at many) as .ref files for Bayesian chronology tools, as
// a CSV table, or as the curve file itself.
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "companion/command_line.hpp"
#include "companion/model_site.hpp"
#include "companion/output_file.hpp"
#include "console/numbers.hpp"
#include "curve/curve_reader.hpp"
#include "driver/curve_file.hpp"
#include "export/curve_export.hpp"
#include "export/sites_export.hpp"

namespace {

using curve_export::Format;

constexpr const char* PROGRAM = "karven-export";

constexpr const char* USAGE =
    "[--format ref|csv|dat] [--output PREFIX] "
    "[CURVE_FILE | --model FILE --lat LAT --lon LON | --model FILE --sites SITES.csv]";

constexpr const char* DESCRIPTION =
    "Writes a curve file written by karven (default: psvc_karven.eu.26.dat), or the\n"
    "curve that --model computes at the site of --lat and --lon, in the forms other\n"
    "tools read. --format ref (the default): three files PREFIX_d.ref,\n"
    "PREFIX_i.ref and PREFIX_f.ref for Bayesian chronology tools, each a block of\n"
    "'#' comments (the site among them) and one line year,value,sigma per epoch,\n"
    "where sigma is one standard deviation: the curve's 95% error divided by 1.96.\n"
    "--format csv: one table PREFIX.csv with the columns year, declination,\n"
    "inclination, intensity and their 95% errors (years AD, degrees, microtesla).\n"
    "--format dat (with --model): the curve file PREFIX.dat that karven writes for\n"
    "the site. PREFIX is the curve file's name without its extension unless\n"
    "--output gives it (with --model: psvc_karven.eu.26); an --output that ends in\n"
    ".csv or .dat is the file's whole name. A value the run could not compute is\n"
    "left out of its component's .ref file (an empty field of the table), and a\n"
    "line on standard error names its years; a component without values gets no\n"
    ".ref file, and the exit status is 1.\n\n"
    "--sites SITES.csv (with --model): the curve of every site of a CSV file with\n"
    "the columns name,lat,lon, in one run. With ref and dat, --output is a pattern\n"
    "with {name} (default: {name}), replaced by each site's name; with csv, one\n"
    "table with the columns name, lat and lon first (default: SITES_curves.csv\n"
    "beside the sites file). A bad row is said on standard error, the other sites\n"
    "are still exported, and the exit status is 1.\n";

constexpr const char* FOOTER =
    "Exit status: 0 files written, 1 failure (said on standard error), 2 wrong usage.";

void report(const std::string& message) { companion::report(PROGRAM, message); }

// Checks and writes the files of one curve; the exit status.
int write_export(const curve_export::Export& result, companion::OutputGuard& guard) {
  // Every file is checked before any is written.
  for (const auto& file : result.files) {
    try {
      guard.check(file.name, "export");
    } catch (const companion::OutputError& e) {
      report(std::string(e.what()) + "; give another --output");
      return companion::FAILED;
    }
  }
  for (const auto& note : result.notes) report(note);
  for (const auto& failure : result.failures) report(failure);
  for (const auto& file : result.files) {
    companion::write_output(guard, file.name, "export", file.text);
    std::cout << "Exported to " << console::shown_text(file.name) << '\n';
  }
  return result.failures.empty() ? 0 : companion::FAILED;
}

curve_export::Export export_curve(Format format, const curve::Curve& curve,
                                  const curve_export::CurveOrigin& origin,
                                  const std::string& prefix) {
  // One table: an --output that already ends in .csv is its whole name.
  return format == Format::ref
             ? curve_export::export_ref(curve, origin, prefix)
             : curve_export::export_csv(curve, origin, curve_export::csv_file_name(prefix));
}

int run(std::span<const std::string_view> arguments) {
  std::optional<std::string> format_word, prefix, input_name, sites;
  companion::ModelSiteOptions model_site;
  const auto app = companion::make_app(PROGRAM, USAGE, DESCRIPTION, FOOTER);
  app->add_option("-f,--format", format_word, "ref, csv or dat (default: ref)")
      ->type_name("FORMAT");
  app->add_option("-o,--output", prefix,
                  "the files' names before _d.ref, .csv or .dat (default: the curve file's name "
                  "without its extension); with --sites, a pattern with {name}")
      ->type_name("PREFIX");
  app->add_option("CURVE_FILE", input_name, "the curve file (default: psvc_karven.eu.26.dat)")
      ->type_name("");
  companion::add_model_site_options(*app, model_site);
  app->add_option("--sites", sites,
                  "with --model: the sites of a CSV file with the columns "
                  "name,lat,lon")
      ->type_name("SITES.csv");
  companion::Parsed parsed;
  Format format = Format::ref;
  try {
    parsed = companion::parse_command_line(*app, arguments);
    if (format_word) {
      // The format's name in any case, as karven-plot takes it.
      std::string word = *format_word;
      for (char& c : word) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      if (word == "csv") {
        format = Format::csv;
      } else if (word == "dat") {
        format = Format::dat;
      } else if (word != "ref") {
        throw companion::UsageError("unknown format \"" + console::shown_text(*format_word) +
                                    "\": give ref, csv or dat");
      }
    }
    if (prefix && prefix->empty()) throw companion::UsageError("option --output needs a value");
    if (sites && sites->empty()) throw companion::UsageError("option --sites needs a value");
    companion::check_model_site_options(model_site, input_name.has_value(), "--sites",
                                        sites.has_value());
    if (format == Format::dat && !model_site.model) {
      throw companion::UsageError(
          "--format dat writes the curve file of a site of --model: give --model FILE with "
          "--lat and --lon, or --sites");
    }
    if (sites && format == Format::csv && prefix &&
        prefix->find(companion::NAME_PLACEHOLDER) != std::string::npos) {
      throw companion::UsageError(
          "--output: with --format csv the sites go into one table, whose name takes no {name}");
    }
    if (sites && format != Format::csv && prefix &&
        prefix->find(companion::NAME_PLACEHOLDER) == std::string::npos) {
      throw companion::UsageError(
          "--output: with --sites, the files' names need {name}, which each site's name "
          "replaces: e.g. --output 'curves/{name}'");
    }
  } catch (const companion::UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  }
  if (parsed.stop) {
    std::cout << parsed.text;
    return 0;
  }

  if (sites) {
    return curve_export::export_sites({*model_site.model, *sites, format, prefix}, PROGRAM);
  }
  // What the run is doing, for a message should memory run out.
  std::string task;
  try {
    companion::OutputGuard guard;
    if (model_site.model) {
      task = "exporting the curve of the site from " + console::shown_text(*model_site.model);
      // As if the curve file of the site were given: its name in the
      // current directory.
      guard.add_input(*model_site.model, "coefficient file");
      if (format == Format::dat) guard.allow_curve_file_name();
      if (!prefix) prefix = std::filesystem::path(driver::CURVE_FILE_NAME).replace_extension();
      const companion::ModelSite site = companion::model_site(model_site);
      const curve_export::CurveOrigin origin =
          curve_export::model_origin(*model_site.model, site.curve);
      if (format == Format::dat) {
        return write_export({{{curve_export::dat_file_name(*prefix),
                               curve_export::curve_file_text(site.site_curve)}},
                             {},
                             {}},
                            guard);
      }
      return write_export(export_curve(format, site.curve, origin, *prefix), guard);
    }
    const std::string input = input_name.value_or(std::string(driver::CURVE_FILE_NAME));
    if (!prefix) prefix = std::filesystem::path(input).replace_extension().string();
    guard.add_input(input, "curve file");
    task = "exporting the curve of " + console::shown_text(input);
    const curve::Curve curve = curve::read_curve_file(input);
    if (const std::string note = curve::early_end_note(curve, console::shown_text(input));
        !note.empty()) {
      report(note);
    }
    return write_export(
        export_curve(format, curve, curve_export::curve_file_origin(input), *prefix), guard);
  } catch (const std::bad_alloc&) {
    report("out of memory while " + task);
    return companion::FAILED;
  } catch (const std::exception& e) {
    report(e.what());
    return companion::FAILED;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!companion::open_standard_streams()) return companion::FAILED;
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return companion::finish_output(PROGRAM, run(arguments));
}
