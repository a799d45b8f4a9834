// karven-export: a curve file of karven as .ref files for Bayesian
// chronology tools, or as one CSV table.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "curve/curve_reader.hpp"
#include "export/curve_export.hpp"
#include "karven/version.hpp"

namespace {

constexpr int FAILED = 1;
constexpr int WRONG_USAGE = 2;
constexpr const char* PROGRAM = "karven-export";

void report(const std::string& message) { std::cerr << PROGRAM << ": " << message << '\n'; }

// Writes a file whole, in binary so that every system gets the same bytes.
void write_file(const curve_export::ExportFile& file) {
  std::ofstream out(file.name, std::ios::binary | std::ios::trunc);
  if (out) out.write(file.text.data(), static_cast<std::streamsize>(file.text.size()));
  if (out) out.close();
  if (!out) {
    throw std::runtime_error("cannot write " + file.name + ": " + std::strerror(errno));
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Writes a curve file of karven as three .ref files (year,value,sigma with sigma one\n"
      "standard deviation, the 95% error divided by 1.96) for Bayesian chronology tools,\n"
      "or as one CSV table (values and 95% errors) for Python, R or a spreadsheet.",
      PROGRAM};
  std::string format = "ref";
  std::string prefix;
  std::string input = "psvc_karven.eu.26.dat";
  app.add_option("--format", format, "ref: PREFIX_d.ref, PREFIX_i.ref, PREFIX_f.ref; csv: PREFIX.csv")
      ->check(CLI::IsMember({"ref", "csv"}))
      ->capture_default_str();
  app.add_option("--output", prefix,
                 "the output files' names before the suffix (default: the curve file's name "
                 "without its extension)");
  app.add_option("CURVE_FILE", input, "the curve file written by karven")->capture_default_str();
  app.set_version_flag("--version", std::string(PROGRAM) + " " + std::string(karven::VERSION));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    report(e.what());
    std::cerr << "Try '" << PROGRAM << " --help'.\n";
    return WRONG_USAGE;
  }
  if (prefix.empty()) prefix = std::filesystem::path(input).replace_extension().string();

  try {
    const curve::Curve curve = curve::read_curve_file(input);
    const curve_export::Export result = format == "ref"
                                            ? curve_export::export_ref(curve, input, prefix)
                                            : curve_export::export_csv(curve, input, prefix);
    // An output named like the curve file would replace the curve.
    for (const auto& file : result.files) {
      std::error_code ec;
      if (std::filesystem::equivalent(input, file.name, ec)) {
        report("the export " + file.name + " would replace the curve file " + input +
               "; give another --output");
        return FAILED;
      }
    }
    for (const auto& note : result.notes) report(note);
    for (const auto& file : result.files) {
      write_file(file);
      std::cout << "Exported to " << file.name << '\n';
    }
    return 0;
  } catch (const std::exception& e) {
    report(e.what());
    return FAILED;
  }
}
