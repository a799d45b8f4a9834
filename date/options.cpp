#include "date/options.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <tuple>

#include "companion/output_file.hpp"
#include "console/number_chars.hpp"
#include "console/numbers.hpp"
#include "date/samples.hpp"
#include "driver/curve_file.hpp"

namespace date {

namespace {

constexpr const char* USAGE =
    "[MEASUREMENT | --samples FILE] [OPTIONS] [--model MODEL | CURVE_FILE | --ref-dec FILE ...]";

constexpr const char* DESCRIPTION =
    "MEASUREMENT is --dec D --inc I --a95 A and/or --int F --sigma-int S, made at\n"
    "the site --lat LAT --lon LON; or a radiocarbon age --c14 AGE,SIGMA.\n\n"
    "Dates a burnt structure by where its measured direction and intensity meet the\n"
    "palaeosecular variation curve of its site: with --model FILE, the model's curve\n"
    "at the site itself, evaluated from the coefficient file; else a curve file\n"
    "written by karven (default: psvc_karven.eu.26.dat), to whose site a measurement\n"
    "made elsewhere is first relocated (the direction through its virtual\n"
    "geomagnetic pole, the intensity through its virtual axial dipole moment). Give\n"
    "one measurement with the options below, or many with --samples FILE, a CSV\n"
    "file whose header names its columns: name,dec,inc,a95,int,sigma_int,lat,lon,\n"
    "event, in any order, an empty field a missing value. Rows of one event are\n"
    "dated together; with --sequence the events form a stratigraphic sequence.\n"
    "The components used are those given: I alone, D with I, F alone, I with F, or\n"
    "D, I and F; D needs I and alpha95. The report gives for each level the highest\n"
    "posterior density (HPD) intervals of the date, each with its probability.\n"
    "Instead of a curve file, --ref-dec, --ref-inc and --ref-int date against\n"
    "reference curves in .ref files (year,value,sigma with sigma one standard\n"
    "deviation, any step), one for each component measured; each measurement is\n"
    "dated over the years that the curves of its own components share. Their site\n"
    "is read from their comment line '# Site: ...' or given by --ref-lat, --ref-lon.\n"
    "--model also takes a global model, bundled by its name (ARCH10k.1, CALS10k.2,\n"
    "...) or a file: each sample is dated at its own site on every whole year of\n"
    "the model's span, or of --span FROM:TO. A global model gives no uncertainty\n"
    "of its curve, which dating needs: --model-sigma D,I,F gives one standard\n"
    "deviation (degrees, degrees, microtesla), e.g. --model-sigma 2,2,3.\n"
    "A 14C age (--c14, or the samples file's columns c14_age,c14_sigma with\n"
    "c14_curve, delta_r, delta_r_sigma where needed) is calibrated on intcal20,\n"
    "shcal20, marine20 or a .14c file: L(t) = exp(-(r - mu)^2 / 2S^2) / S,\n"
    "S^2 = sigma^2 + sigma_curve^2, t = 1950 - cal BP; in events and sequences it\n"
    "is one more likelihood, as an archaeomagnetic row is.\n";

constexpr const char* FOOTER =
    "With --samples, --density and --figure take a pattern with {name}, e.g.\n"
    "--figure 'dating_{name}.png'; with events, one file's name for all of them.\n"
    "--density - writes the densities to standard output in place of the report\n"
    "(one measurement, or the events of a samples file); a file named - is ./-.\n"
    "A figure needs a file's name, whose extension gives its format.\n"
    "Figures need gnuplot: apt-get install gnuplot-nox\n\n"
    "Exit status: 0 dated, 1 bad input or a sample not dated (said on standard error),\n"
    "2 wrong usage.";

std::optional<double> number_of(std::string_view word) {
  double value = 0.0;
  const auto [end, error] = console::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// An HPD level in percent, at least 1 and below 100. A level below 1 is a
// fraction typed for a percentage (0.95 for 95%), and said so.
double level_of(std::string_view word) {
  const std::optional<double> value = number_of(word);
  if (value && *value > 0.0 && *value < 1.0) {
    throw UsageError("--level is in percent, e.g. --level 95 for 95%; read \"" + std::string(word) +
                     "\", which would be " + std::string(word) + "%");
  }
  if (!value || !(*value >= 1.0 && *value < 100.0)) {
    throw UsageError("--level takes a percentage from 1 to below 100, e.g. 95; read \"" +
                     std::string(word) + "\"");
  }
  return *value;
}

// "--level 68 95" takes one level and leaves "95" as the curve file: the
// levels after the first are said to need an option each.
void check_level_words(std::span<const std::string_view> arguments) {
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string_view argument = arguments[k];
    if (argument == "--") return;
    std::size_t next = k + 1;  // the argument after the level
    std::string_view level;
    if (argument == "--level" && k + 1 < arguments.size()) {
      level = arguments[k + 1];
      next = k + 2;
    } else if (argument.starts_with("--level=")) {
      level = argument.substr(std::string_view("--level=").size());
    } else {
      continue;
    }
    if (next < arguments.size() && number_of(arguments[next])) {
      throw UsageError("--level takes one level; repeat the option for each, e.g. --level " +
                       std::string(level) + " --level " + std::string(arguments[next]));
    }
  }
}

// A word of a closed list, in any case.
std::string lower_case(std::string word) {
  for (char& c : word) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c;
  return word;
}

// --c14 dates a 14C age on its own, against a calibration curve.
void check_c14_options(const DateOptions& options, bool curve) {
  if (!options.c14) {
    for (const auto& [given, option] : {std::pair{options.c14_curve.has_value(), "--c14-curve"},
                                        {options.delta_r.has_value(), "--delta-r"}}) {
      if (given)
        throw UsageError(std::string(option) + " belongs to a 14C age: give it with --c14");
    }
    return;
  }
  for (const auto& [given, option] : {std::pair{options.declination.has_value(), "--dec"},
                                      {options.inclination.has_value(), "--inc"},
                                      {options.alpha95.has_value(), "--a95"},
                                      {options.intensity.has_value(), "--int"},
                                      {options.intensity_sigma.has_value(), "--sigma-int"}}) {
    if (given) {
      throw UsageError(std::string("--c14 and ") + option +
                       " exclude each other: date a 14C age or a measurement");
    }
  }
  if (options.samples) {
    throw UsageError(
        "--c14 is for one 14C age; with --samples the file gives them (c14_age, c14_sigma)");
  }
  if (curve || options.ref_files.declination || options.ref_files.inclination ||
      options.ref_files.intensity) {
    throw UsageError(
        "--c14 is calibrated against a calibration curve, not a field curve: give it "
        "with --c14-curve");
  }
}

// Two numbers "A,B" of an option, e.g. --c14 2450,30.
std::pair<double, double> number_pair(const std::string& text, const std::string& field,
                                      const char* example) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
    throw dating::MeasurementError(field, std::string("expected two numbers, e.g. ") + example +
                                              "; read " + console::quoted_text(text));
  }
  const ValueReading first = read_value(std::string_view(text).substr(0, comma));
  const ValueReading second = read_value(std::string_view(text).substr(comma + 1));
  if (!first.error.empty()) throw dating::MeasurementError(field, first.error);
  if (!second.error.empty()) throw dating::MeasurementError(field, second.error);
  return {first.value, second.value};
}

}  // namespace

bool has_name_placeholder(const std::string& value) {
  return value.find(NAME_PLACEHOLDER) != std::string::npos;
}

DateOptions parse_options(std::span<const std::string_view> arguments) {
  DateOptions options;
  std::optional<std::string> curve_file, samples, name;
  std::vector<std::string> levels;
  const auto app = companion::make_app("karven-date", USAGE, DESCRIPTION, FOOTER);
  app->add_option("--dec", options.declination, "declination D, degrees east")->type_name("D");
  app->add_option("--inc", options.inclination, "inclination I, degrees downward")->type_name("I");
  app->add_option("--a95", options.alpha95, "alpha95 of the direction, degrees")->type_name("A");
  app->add_option("--int", options.intensity, "intensity F, microtesla")->type_name("F");
  app->add_option("--sigma-int", options.intensity_sigma, "standard deviation of F, microtesla")
      ->type_name("S");
  app->add_option("--lat", options.latitude, "the site's geodetic latitude, degrees north")
      ->type_name("LAT");
  app->add_option("--lon", options.longitude, "the site's geodetic longitude, degrees east")
      ->type_name("LON");
  app->add_option("--c14", options.c14, "a 14C age and its sigma, 14C years BP, instead")
      ->type_name("AGE,SIGMA");
  app->add_option("--c14-curve", options.c14_curve,
                  "its calibration curve: intcal20 (default), shcal20, marine20 or a .14c file")
      ->type_name("NAME");
  app->add_option("--delta-r", options.delta_r, "its reservoir offset Delta R and sigma, 14C years")
      ->type_name("DR,SIGMA");
  app->add_option("--name", name, "the sample's name in the report")->type_name("NAME");
  app->add_option("--samples", samples, "a CSV file of samples, each dated at its site")
      ->type_name("FILE");
  app->add_option("--level", levels, "an HPD level in percent, repeatable (default 95)")
      ->type_name("P")
      ->allow_extra_args(false);
  app->add_option("--density", options.density,
                  "write the densities per year as CSV (D, I, F used, combined); - for "
                  "standard output, in place of the report")
      ->type_name("FILE");
  app->add_option("--figure", options.figure, "draw the dating: .png, .svg or .pdf")
      ->type_name("FILE");
  app->add_flag("--json", options.json, "write the results as JSON instead of the report");
  std::optional<std::string> sequence, years;
  app->add_option("--sequence", sequence,
                  "the events form a stratigraphic sequence, listed oldest-first or "
                  "youngest-first")
      ->type_name("ORDER");
  app->add_option("--years", years, "write years as ad (the default), ce or bp")
      ->type_name("ad|ce|bp");
  std::optional<std::string> ref_dec, ref_inc, ref_int;
  app->add_option("--ref-dec", ref_dec, "a declination curve as a .ref file")->type_name("FILE");
  app->add_option("--ref-inc", ref_inc, "an inclination curve as a .ref file")->type_name("FILE");
  app->add_option("--ref-int", ref_int, "an intensity curve as a .ref file")->type_name("FILE");
  app->add_option("--ref-lat", options.ref_latitude, "the site of the .ref curves: latitude")
      ->type_name("LAT");
  app->add_option("--ref-lon", options.ref_longitude, "and longitude, degrees")->type_name("LON");
  std::optional<std::string> model;
  app->add_option("--model", model,
                  "the regional model's coefficient file, or a global model by name or file: "
                  "date at each site itself")
      ->type_name("MODEL");
  app->add_option("--model-sigma", options.model_sigma,
                  "one standard deviation of a global model's curve: degrees, degrees, microtesla")
      ->type_name("D,I,F");
  app->add_option("--span", options.span,
                  "the years dated over with a global model (default its whole span)")
      ->type_name("FROM:TO");
  app->add_option("CURVE_FILE", curve_file, "the curve file (default: psvc_karven.eu.26.dat)")
      ->type_name("");

  check_level_words(arguments);
  const companion::Parsed parsed = companion::parse_command_line(*app, arguments);
  if (parsed.stop) {
    options.stop = true;
    options.stop_text = parsed.text;
    return options;
  }

  options.curve_file = curve_file.value_or(std::string(driver::CURVE_FILE_NAME));
  for (const auto& [given, option, path] :
       {std::tuple{&ref_dec, "--ref-dec", &options.ref_files.declination},
        {&ref_inc, "--ref-inc", &options.ref_files.inclination},
        {&ref_int, "--ref-int", &options.ref_files.intensity}}) {
    if (!*given) continue;
    if ((*given)->empty()) throw UsageError("option " + std::string(option) + " needs a value");
    if (curve_file) {
      throw UsageError("the curve file " + *curve_file + " and " + option +
                       " exclude each other: date against one or the other");
    }
    *path = **given;
  }
  if (model) {
    if (model->empty()) throw UsageError("option --model needs a value");
    if (curve_file || options.ref_files.declination || options.ref_files.inclination ||
        options.ref_files.intensity) {
      throw UsageError(std::string("--model and ") +
                       (curve_file ? "the curve file " + *curve_file : std::string(".ref files")) +
                       " exclude each other: date against the model at the site or a curve");
    }
    options.model = *model;
  }
  for (const auto& [given, option] :
       {std::pair{&options.model_sigma, "--model-sigma"}, {&options.span, "--span"}}) {
    if (*given && !model) {
      throw UsageError(std::string(option) +
                       " is for a global model's curve: give the model with --model");
    }
  }
  for (const auto& [first, second, first_name, second_name] :
       {std::tuple{&options.latitude, &options.longitude, "--lat", "--lon"},
        {&options.ref_latitude, &options.ref_longitude, "--ref-lat", "--ref-lon"}}) {
    if (first->has_value() != second->has_value()) {
      throw UsageError(std::string(first->has_value() ? first_name : second_name) + " needs " +
                       (first->has_value() ? second_name : first_name) +
                       ": a site is given by both");
    }
  }
  const bool ref_files =
      options.ref_files.declination || options.ref_files.inclination || options.ref_files.intensity;
  if (options.ref_latitude && !ref_files) {
    throw UsageError("--ref-lat and --ref-lon give the site of .ref curves; no .ref file is given");
  }
  options.name = name.value_or("measurement");
  // A level given twice is taken once, where it first came.
  for (const std::string& word : levels) {
    const double level = level_of(word);
    if (std::find(options.levels.begin(), options.levels.end(), level) == options.levels.end()) {
      options.levels.push_back(level);
    }
  }
  if (options.levels.empty()) options.levels.push_back(95.0);

  if (samples) {
    if (samples->empty()) throw UsageError("option --samples needs a value");
    options.samples = *samples;
    for (const auto& [given, option] : {std::pair{options.declination.has_value(), "--dec"},
                                        {options.inclination.has_value(), "--inc"},
                                        {options.alpha95.has_value(), "--a95"},
                                        {options.intensity.has_value(), "--int"},
                                        {options.intensity_sigma.has_value(), "--sigma-int"},
                                        {name.has_value(), "--name"}}) {
      if (given) {
        throw UsageError(std::string(option) +
                         " is for one measurement; with --samples the file gives the values");
      }
    }
  }
  check_c14_options(options, curve_file.has_value() || options.model.has_value());
  if (sequence) {
    const std::string order = lower_case(*sequence);
    if (order == "oldest-first") {
      options.sequence = DateOptions::Sequence::oldest_first;
    } else if (order == "youngest-first") {
      options.sequence = DateOptions::Sequence::youngest_first;
    } else {
      throw UsageError(
          "--sequence takes oldest-first or youngest-first, the order in which the "
          "samples file lists its events; read \"" +
          *sequence + "\"");
    }
    if (!options.samples) {
      throw UsageError("--sequence orders the events of a samples file: give --samples");
    }
  }
  if (years) {
    const std::string word = lower_case(*years);
    if (word == "ad") {
      options.years = dating::YearNotation::ad;
    } else if (word == "ce") {
      options.years = dating::YearNotation::ce;
    } else if (word == "bp") {
      options.years = dating::YearNotation::bp;
    } else {
      throw UsageError("--years takes ad, ce or bp; read \"" + *years + "\"");
    }
  }
  if (options.model && !options.samples && !options.latitude) {
    throw UsageError("--model dates at the measurement's site: give it with --lat and --lon");
  }
  for (const auto& [file, option] :
       {std::pair{&options.density, "--density"}, {&options.figure, "--figure"}}) {
    if (!*file) continue;
    if ((*file)->empty()) throw UsageError("option " + std::string(option) + " needs a value");
    // With --samples the file's header tells whether a pattern or one file
    // is meant (one file for its events); a sequence has events.
    if (options.sequence && has_name_placeholder(**file)) {
      throw events_file_error(option);
    }
    if (!options.samples && has_name_placeholder(**file)) {
      throw UsageError(std::string(option) + " \"" + **file +
                       "\": {name} is for --samples; give the file's name");
    }
  }
  if (options.figure && companion::is_standard_output(*options.figure)) {
    throw UsageError(
        "--figure -: a figure on standard output has no name to tell its format; give a file "
        "name ending in .png, .svg or .pdf");
  }
  // The report is standard output's unless --density - takes it (see --help).
  const std::array<companion::StandardOutputUse, 2> standard_output = {
      {{"--json", options.json},
       {"--density -", options.density && companion::is_standard_output(*options.density)}}};
  companion::check_one_standard_output(standard_output);
  if (options.figure) {
    const std::optional<figures::FigureFormat> format = figures::format_of_file(*options.figure);
    if (!format) {
      throw UsageError("cannot tell the format of \"" + *options.figure +
                       "\": end its name in .png, .svg or .pdf");
    }
    options.figure_format = *format;
  }
  // Else the density would be written, then the figure refused in its place.
  if (options.density && options.figure &&
      companion::same_output(*options.density, *options.figure)) {
    throw UsageError("--density and --figure name the same file " + *options.figure);
  }
  return options;
}

UsageError events_file_error(std::string_view option) {
  return UsageError("with events, " + std::string(option) +
                    " writes one file for all of them: " + "give its name, e.g. \"" +
                    (option == "--density" ? "events.csv" : "events.png") + "\"");
}

UsageError pattern_error(std::string_view option) {
  return UsageError("with --samples, " + std::string(option) +
                    " takes a file name pattern with {name}, e.g. \"" +
                    (option == "--density" ? "density_{name}.csv" : "dating_{name}.png") + "\"");
}

C14Input command_line_c14(const DateOptions& options) {
  C14Input input;
  std::tie(input.age, input.sigma) = number_pair(*options.c14, "c14", "--c14 2450,30");
  if (options.delta_r) {
    std::tie(input.delta_r, input.delta_r_sigma) =
        number_pair(*options.delta_r, "delta-r", "--delta-r -50,20");
  }
  input.curve = options.c14_curve.value_or("");
  return input;
}

std::string option_of_field(std::string_view field) {
  if (field == "sigma_int") return "--sigma-int";
  if (field == "c14_age" || field == "c14_sigma") return "--c14";
  if (field == "delta_r" || field == "delta_r_sigma") return "--delta-r";
  return "--" + std::string(field);
}

dating::Measurement command_line_measurement(const DateOptions& options) {
  dating::Measurement measurement;
  measurement.name = options.name;
  const std::pair<const std::optional<std::string>*, std::optional<double>*> values[] = {
      {&options.declination, &measurement.declination},
      {&options.inclination, &measurement.inclination},
      {&options.alpha95, &measurement.alpha95},
      {&options.intensity, &measurement.intensity},
      {&options.intensity_sigma, &measurement.intensity_sigma}};
  for (std::size_t k = 0; k < std::size(values); ++k) {
    const auto& [text, value] = values[k];
    if (!*text) continue;
    const ValueReading reading = read_value(**text);
    if (!reading.error.empty()) {
      throw dating::MeasurementError(std::string(SAMPLE_COLUMNS[k + 1]), reading.error);
    }
    *value = reading.value;
  }
  return measurement;
}

}  // namespace date
