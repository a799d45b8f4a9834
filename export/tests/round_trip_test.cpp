// Through the built command: karven-export's files, its refusals, and
// the round trip of its .ref files through karven-date.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "curve_export/curve_export.hpp"
#include "testsupport/testsupport.hpp"

namespace {

// Through the built command: the files land beside the curve file by
// default, and a wrong command line is status 2.
TEST(KarvenExport, WritesTheFilesAndRefusesAWrongCommandLine) {
  const testsupport::ScopedWorkDir work;
  testsupport::write_file("psvc_karven.eu.26.dat", curve_test::smooth_curve_text());
  const auto run = [](std::vector<std::string> arguments) {
    testsupport::ProgramCall call;
    call.program = KARVEN_EXPORT_PROGRAM;
    call.arguments = std::move(arguments);
    return testsupport::run_program(call);
  };
  testsupport::ProgramRun result = run({});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "Exported to psvc_karven.eu.26_d.ref\nExported to psvc_karven.eu.26_i.ref\n"
            "Exported to psvc_karven.eu.26_f.ref\n");
  EXPECT_EQ(result.err, "");
  // One table: an --output that ends in .csv is its whole name. The format
  // is named in any case.
  for (const auto& [output, file] : {std::pair{"table", "table.csv"}, {"x.CSV", "x.CSV"}}) {
    SCOPED_TRACE(output);
    result = run({"--format", "CSV", "--output", output});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string("Exported to ") + file + "\n");
    EXPECT_EQ(testsupport::read_lines(file).front(), curve_export::CSV_HEADER);
  }

  // A curve cut short is exported, with a word; a component without any
  // value gets no .ref file, and the export fails.
  std::string cut = curve_test::curve_header(40.4, -3.7);
  for (const double year : {0.0, 5.0, 10.0}) {
    cut += curve_test::curve_line(year, {NAN, 60.0, 55.0, NAN, 1.96, 3.92});
  }
  testsupport::write_file("cut.dat", cut);
  result = run({"cut.dat"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "Exported to cut_i.ref\nExported to cut_f.ref\n");
  EXPECT_EQ(result.err,
            "karven-export: cut.dat: the curve ends early, at the year 10, not 1900 (3 of 381 "
            "epochs): a run that did not finish, or a file cut short\n"
            "karven-export: cut.dat: the declination has no value at any epoch, and a reference "
            "curve needs 2; cut_d.ref is not written\n");
  EXPECT_FALSE(std::filesystem::exists("cut_d.ref"));

  result = run({"--format", "xls"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(
      result.err,
      "karven-export: unknown format \"xls\": give ref, csv or dat\nTry 'karven-export --help'.\n");
  result = run({"missing.dat"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "karven-export: cannot read missing.dat: No such file or directory\n");
}

}  // namespace

// The round trip: the demonstration curve exported as .ref files and dated
// through --ref-dec, --ref-inc and --ref-int gives the very results, to the
// last digit of each density, of dating the curve file itself.
TEST(KarvenExport, RefFilesDateAsTheCurveFileItself) {
  const testsupport::ScopedWorkDir work;
  std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp");
  const auto run = [](const char* program, std::vector<std::string> arguments,
                      std::string input = "") {
    testsupport::ProgramCall call;
    call.program = program;
    call.arguments = std::move(arguments);
    call.input = std::move(input);
    testsupport::ProgramRun result = testsupport::run_program(call);
    EXPECT_EQ(result.status, 0) << program << ": " << result.err;
    return result;
  };
  run(KARVEN_PROGRAM, {}, "48.85\n2.35\n");
  run(KARVEN_EXPORT_PROGRAM, {});
  const std::vector<std::string> measurement = {
      "--dec",       "4.5", "--inc",   "64.2", "--a95",   "2.8", "--int", "62.5",
      "--sigma-int", "2.4", "--level", "68",   "--level", "95",  "--json"};
  std::vector<std::string> from_curve = measurement, from_ref = measurement;
  from_curve.insert(from_curve.end(), {"--density", "curve.csv"});
  from_ref.insert(from_ref.end(),
                  {"--density", "ref.csv", "--ref-dec", "psvc_karven.eu.26_d.ref", "--ref-inc",
                   "psvc_karven.eu.26_i.ref", "--ref-int", "psvc_karven.eu.26_f.ref"});
  const testsupport::ProgramRun curve_dating = run(KARVEN_DATE_PROGRAM, from_curve);
  const testsupport::ProgramRun ref_dating = run(KARVEN_DATE_PROGRAM, from_ref);
  EXPECT_NE(curve_dating.out.find("\"intervals\""), std::string::npos);
  // All but the curve's name, which is the files'.
  auto curve_json = nlohmann::ordered_json::parse(curve_dating.out);
  auto ref_json = nlohmann::ordered_json::parse(ref_dating.out);
  EXPECT_EQ(curve_json["curve"], "KARVEN.EU.26 at 48.85 N, 2.35 E (psvc_karven.eu.26.dat)");
  EXPECT_EQ(ref_json["curve"],
            "D: psvc_karven.eu.26_d.ref, I: psvc_karven.eu.26_i.ref, F: psvc_karven.eu.26_f.ref");
  ref_json["curve"] = curve_json["curve"];
  EXPECT_EQ(ref_json.dump(2), curve_json.dump(2));
  EXPECT_EQ(ref_dating.err, "");
  EXPECT_EQ(testsupport::read_file("ref.csv"), testsupport::read_file("curve.csv"));
}
