// karven-export: a curve file of karven as .ref files for Bayesian
// chronology tools, or as one CSV table.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "console/numbers.hpp"
#include "console/standard_streams.hpp"
#include "curve/curve_reader.hpp"
#include "driver/curve_file.hpp"
#include "export/curve_export.hpp"

namespace {

constexpr const char* PROGRAM = "karven-export";

constexpr const char* DESCRIPTION =
    "Writes a curve file written by karven (default: psvc_karven.eu.26.dat) in the\n"
    "forms other tools read. --format ref (the default): three files PREFIX_d.ref,\n"
    "PREFIX_i.ref and PREFIX_f.ref for Bayesian chronology tools, each a block of\n"
    "'#' comments and one line year,value,sigma per epoch, where sigma is one\n"
    "standard deviation: the curve's 95% error divided by 1.96. --format csv: one\n"
    "table PREFIX.csv with the columns year, declination, inclination, intensity\n"
    "and their 95% errors (years AD, degrees, microtesla). PREFIX is the curve\n"
    "file's name without its extension unless --output gives it; an --output that\n"
    "ends in .csv is the table's whole name. A value the run could not compute is\n"
    "left out of its component's .ref file (an empty field of the table), and a\n"
    "line on standard error names its years; a component without values gets no\n"
    ".ref file, and the exit status is 1.\n";

constexpr const char* FOOTER =
    "Exit status: 0 files written, 1 failure (said on standard error), 2 wrong usage.";

void report(const std::string& message) { companion::report(PROGRAM, message); }

int run(std::span<const std::string_view> arguments) {
  std::optional<std::string> format, prefix, input_name;
  const auto app = companion::make_app(PROGRAM, "[--format ref|csv] [--output PREFIX] [CURVE_FILE]",
                                       DESCRIPTION, FOOTER);
  app->add_option("-f,--format", format, "ref or csv (default: ref)")->type_name("FORMAT");
  app->add_option("-o,--output", prefix,
                  "the files' names before _d.ref or .csv (default: the curve file's name "
                  "without its extension)")
      ->type_name("PREFIX");
  app->add_option("CURVE_FILE", input_name, "the curve file (default: psvc_karven.eu.26.dat)")
      ->type_name("");
  companion::Parsed parsed;
  try {
    parsed = companion::parse_command_line(*app, arguments);
    if (format) {
      // The format's name in any case, as karven-plot takes it.
      const std::string word = *format;
      for (char& c : *format) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      if (*format != "ref" && *format != "csv") {
        throw companion::UsageError("unknown format \"" + console::shown_text(word) +
                                    "\": give ref or csv");
      }
    }
    if (prefix && prefix->empty()) throw companion::UsageError("option --output needs a value");
  } catch (const companion::UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  }
  if (parsed.stop) {
    std::cout << parsed.text;
    return 0;
  }
  const std::string input = input_name.value_or(std::string(driver::CURVE_FILE_NAME));
  if (!prefix) prefix = std::filesystem::path(input).replace_extension().string();

  try {
    companion::OutputGuard guard;
    guard.add_input(input, "curve file");
    const curve::Curve curve = curve::read_curve_file(input);
    if (const std::string note = curve::early_end_note(curve, console::shown_text(input));
        !note.empty()) {
      report(note);
    }
    // One table: an --output that already ends in .csv is its whole name.
    const curve_export::Export result =
        format.value_or("ref") == "ref"
            ? curve_export::export_ref(curve, input, *prefix)
            : curve_export::export_csv(curve, input, curve_export::csv_file_name(*prefix));
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
  } catch (const std::exception& e) {
    report(e.what());
    return companion::FAILED;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!console::open_standard_streams()) return companion::FAILED;
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return companion::finish_output(PROGRAM, run(arguments));
}
