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
#include "curve_export/curve_export.hpp"
#include "driver/curve_file.hpp"
#include "export/sites_export.hpp"
#include "field_model/field_model.hpp"

namespace {

using curve_export::Format;

constexpr const char* PROGRAM = "karven-export";

constexpr const char* USAGE =
    "[--format ref|csv|dat] [--output PREFIX] "
    "[CURVE_FILE | --model MODEL --lat LAT --lon LON | --model MODEL --sites SITES.csv | "
    "--model MODEL --dipole] [--span FROM:TO[:STEP]] [--model-sigma D,I,F]";

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
    ".ref file, and the exit status is 1. --output - writes the table or the curve\n"
    "file (csv, dat, --dipole, or the table of --sites) to standard output, and\n"
    "nothing else; the three .ref files and the files of many sites need names.\n"
    "A file named - is ./-.\n\n"
    "--sites SITES.csv (with --model): the curve of every site of a CSV file with\n"
    "the columns name,lat,lon, in one run. With ref and dat, --output is a pattern\n"
    "with {name} (default: {name}), replaced by each site's name; with csv, one\n"
    "table with the columns name, lat and lon first (default: SITES_curves.csv\n"
    "beside the sites file). A bad row is said on standard error, the other sites\n"
    "are still exported, and the exit status is 1.\n\n"
    "A global model (--model ARCH10k.1, any bundled model's name in any case, or a\n"
    "global model's file) gives its curve at any site (latitude -90 to 90, longitude\n"
    "-180 to 360) over --span FROM:TO[:STEP], whole years AD, negative before 1 AD\n"
    "(default: the model's whole span, every 5 years). It gives no errors: the CSV\n"
    "table has no error columns unless --model-sigma D,I,F gives the curve one\n"
    "standard deviation (degrees, degrees, microtesla), written as 95% errors (1.96\n"
    "sigma); --format ref needs --model-sigma, since a .ref file gives each value's\n"
    "sigma; --format dat is the regional model's alone. The table's first line and\n"
    "the .ref files' comments name the model and its publication. --dipole writes\n"
    "the model's dipole over the span as a CSV table (default: MODEL_dipole.csv):\n"
    "year, dipole moment (10^22 A m^2), geomagnetic north pole latitude and\n"
    "longitude (degrees). --span and --model-sigma are refused with the regional\n"
    "model, whose curve comes at its own epochs with its own errors.\n";

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
    // An export on standard output is all that goes there.
    if (!companion::is_standard_output(file.name)) {
      std::cout << "Exported to " << console::shown_text(file.name) << '\n';
    }
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

// --output -: standard output takes one file, a table or a curve file; the
// three .ref files of a curve, or the files of many sites, would run
// together there, beyond a reader's telling them apart.
void check_standard_output(Format format, const std::optional<std::string>& sites) {
  if (format == Format::ref) {
    throw companion::UsageError(
        std::string("--output - with --format ref: a curve takes three .ref files, _d, _i and "
                    "_f, which standard output cannot keep apart; give a prefix") +
        (sites ? " with {name}" : "") + ", or --format csv for one table");
  }
  if (sites && format == Format::dat) {
    throw companion::UsageError(
        "--output - with --sites and --format dat: each site takes a curve file of its own, "
        "which standard output cannot keep apart; give a pattern with {name}, or --format csv "
        "for one table");
  }
}

// --dipole: a global model's, at no site, as a CSV table.
void check_dipole_options(const companion::ModelSiteOptions& model_site, bool global,
                          bool curve_file_given, bool sites_given, bool other_format) {
  if (!model_site.model || !global) {
    throw companion::UsageError(
        "--dipole is a global model's: give --model with a bundled model's name (ARCH10k.1, "
        "...) or a global model's file");
  }
  const char* site_option = model_site.latitude      ? "--lat"
                            : model_site.longitude   ? "--lon"
                            : sites_given            ? "--sites"
                            : curve_file_given       ? "a curve file"
                            : model_site.model_sigma ? "--model-sigma"
                                                     : nullptr;
  if (site_option) {
    throw companion::UsageError(std::string("--dipole gives the model's dipole, at no site and "
                                            "without errors: leave out ") +
                                site_option);
  }
  if (other_format) throw companion::UsageError("--dipole writes a CSV table: give --format csv");
}

// The formats a global model's curve can take.
void check_global_format(Format format, bool format_given,
                         const companion::ModelSiteOptions& model_site) {
  if (format == Format::dat) {
    throw companion::UsageError(
        "--format dat writes the regional model's curve file, at its 381 epochs with their "
        "errors; a global model has none: give --format csv or ref");
  }
  if (format == Format::ref && !model_site.model_sigma) {
    throw companion::UsageError(
        std::string("--format ref") + (format_given ? "" : " (the default)") +
        " needs --model-sigma D,I,F: a .ref file gives each value's sigma, and a global "
        "model gives none; give one standard deviation of the curve in degrees, degrees and "
        "microtesla, or give --format csv");
  }
}

// The name of a global model's files when --output gives none: the
// bundled model's name, or its file's name without folders.
std::string global_prefix(const field_model::FieldModel& model) {
  return std::filesystem::path(model.name()).filename().string();
}

// The export of a global model: a site's curve, many sites' or the dipole.
int export_global(const companion::ModelSiteOptions& model_site, Format format,
                  std::optional<std::string> prefix, const std::optional<std::string>& sites,
                  bool dipole) {
  try {
    const field_model::FieldModel model = companion::open_model(*model_site.model);
    if (const std::string note = companion::unread_numbers_note(model); !note.empty()) {
      report(note);
    }
    const companion::CurveYears years = companion::curve_years(model_site, model, 5);
    if (sites) {
      const curve_export::SitesRequest request{.model = *model_site.model,
                                               .sites = *sites,
                                               .format = format,
                                               .output = prefix,
                                               .global = &model,
                                               .years = years.years,
                                               .sigma = years.sigma};
      return curve_export::export_sites(request, PROGRAM);
    }
    companion::OutputGuard guard;
    guard.add_input(*model_site.model, "model file");
    if (!prefix) prefix = global_prefix(model) + (dipole ? "_dipole" : "");
    if (dipole) {
      return write_export({{{curve_export::csv_file_name(*prefix),
                             curve_export::dipole_table(*model.global(), years.years,
                                                        companion::shared_source(model))}},
                           {},
                           {}},
                          guard);
    }
    const curve::Site site = companion::site_of(model_site);
    curve::ReferenceCurve curve =
        model.curve(site.latitude, site.longitude, years.years, years.sigma);
    curve.source = companion::shared_source(model);
    return write_export(format == Format::ref
                            ? curve_export::export_model_ref(curve, global_prefix(model), *prefix)
                            : curve_export::export_model_csv(curve, global_prefix(model),
                                                             curve_export::csv_file_name(*prefix)),
                        guard);
  } catch (const std::exception& e) {
    report(e.what());
    return companion::FAILED;
  }
}

int run(std::span<const std::string_view> arguments) {
  std::optional<std::string> format_word, prefix, input_name, sites;
  bool dipole = false;
  bool global = false;
  companion::ModelSiteOptions model_site;
  const auto app = companion::make_app(PROGRAM, USAGE, DESCRIPTION, FOOTER);
  app->add_option("-f,--format", format_word, "ref, csv or dat (default: ref)")
      ->type_name("FORMAT");
  app->add_option("-o,--output", prefix,
                  "the files' names before _d.ref, .csv or .dat (default: the curve file's name "
                  "without its extension); with --sites, a pattern with {name}; - for standard "
                  "output (one table or curve file)")
      ->type_name("PREFIX");
  app->add_option("CURVE_FILE", input_name, "the curve file (default: psvc_karven.eu.26.dat)")
      ->type_name("");
  companion::add_model_site_options(*app, model_site);
  app->add_option("--sites", sites,
                  "with --model: the sites of a CSV file with the columns "
                  "name,lat,lon")
      ->type_name("SITES.csv");
  app->add_flag("--dipole", dipole,
                "with a global --model: its dipole over --span as a CSV table, at no site");
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
    global = model_site.model && companion::is_global_model(*model_site.model);
    if (dipole) {
      check_dipole_options(model_site, global, input_name.has_value(), sites.has_value(),
                           format_word.has_value() && format != Format::csv);
      format = Format::csv;
    } else {
      companion::check_model_site_options(model_site, input_name.has_value(), "--sites",
                                          sites.has_value());
    }
    if (global) {
      check_global_format(format, format_word.has_value(), model_site);
    } else if (model_site.model) {
      companion::check_regional_options(model_site);
    }
    if (format == Format::dat && !model_site.model) {
      throw companion::UsageError(
          "--format dat writes the curve file of a site of --model: give --model FILE with "
          "--lat and --lon, or --sites");
    }
    if (prefix && companion::is_standard_output(*prefix)) check_standard_output(format, sites);
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

  if (global) return export_global(model_site, format, prefix, sites, dipole);
  if (model_site.model) {
    try {
      companion::check_model_name(*model_site.model);
    } catch (const companion::UnknownModel& e) {
      report(e.what());
      return companion::FAILED;
    }
  }
  if (sites) {
    return curve_export::export_sites(
        {.model = *model_site.model, .sites = *sites, .format = format, .output = prefix}, PROGRAM);
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
