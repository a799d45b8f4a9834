// Runs of the built program that are stopped, that share a directory, or
// that start with a standard stream closed: none of them may leave a curve
// file cut short, a file of its own, or console text in the curve file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/curve_file.hpp"
#include "driver/tests/live_program.hpp"
#include "driver/tests/program_runs.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using driver_test::AT_LONGITUDE;
using driver_test::BANNER;
using driver_test::CLOSING;
using driver_test::COEFFICIENTS_AND_CURVE;
using driver_test::DemoRunDir;
using driver_test::directory_listing;
using driver_test::EARLIER_CURVE;
using driver_test::LAT_PROMPT;
using driver_test::LiveProgram;
using driver_test::NOT_WRITTEN;
using driver_test::reference_curve;
using driver_test::VALID_DIALOGUE;
using testsupport::read_file;

const std::string LAT_PROMPT_TEXT = "Give geodetic latitude (decimal degrees, e.g. 40.4):";
const std::string LON_PROMPT_TEXT = "Give geodetic longitude (decimal degrees,e.g. -3.7):";

// Ctrl-C at a prompt, a closed terminal, a kill: the signal stops the run
// as it would any program, the message says that no curve file was
// written, and the earlier curve file stays as it was.
TEST(IncompleteRuns, ASignalLeavesTheEarlierCurveAndNoFileOfItsOwn) {
  const struct {
    int signal;
    bool at_longitude;  // sent at the longitude's prompt, else at the latitude's
    std::string message;
  } cases[] = {
      {SIGINT, false, "karven: interrupted"},
      {SIGTERM, false, "karven: terminated"},
      {SIGHUP, true, "karven: the terminal hung up"},
      {SIGQUIT, true, "karven: quit"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(strsignal(c.signal));
    DemoRunDir dir;
    testsupport::TempFolder logs;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    LiveProgram run(KARVEN_PROGRAM, (logs.path() / "err").string());
    ASSERT_TRUE(run.wait_for(LAT_PROMPT_TEXT));
    if (c.at_longitude) {
      run.type("40.4\n");
      ASSERT_TRUE(run.wait_for(LON_PROMPT_TEXT));
    }
    run.send(c.signal);
    const auto ending = run.finish();
    EXPECT_EQ(ending.signal, c.signal);
    // The message starts on a line of its own, after the prompt's.
    EXPECT_EQ(run.console(), (c.at_longitude ? AT_LONGITUDE : BANNER + LAT_PROMPT) + "\n");
    EXPECT_EQ(read_file(logs.path() / "err"), c.message + NOT_WRITTEN);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
    EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
  }
}

// A run that started second and finished first does not spoil the other's
// file: each run writes a whole file of its own, and the one that finishes
// last leaves its curve.
TEST(IncompleteRuns, TwoRunsInOneDirectoryEachLeaveAWholeCurve) {
  const std::string paris = reference_curve("48.85\n2.35\n");
  const std::string madrid = reference_curve("40.4\n-3.7\n");
  DemoRunDir dir;
  testsupport::TempFolder logs;
  LiveProgram first(KARVEN_PROGRAM, (logs.path() / "err").string());
  ASSERT_TRUE(first.wait_for(LAT_PROMPT_TEXT));
  const auto second = testsupport::run_program_binary(KARVEN_PROGRAM, "48.85\n2.35\n");
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), paris);
  first.type("40.4\n-3.7\n");
  const auto ending = first.finish();
  EXPECT_EQ(ending.exit_status, 0);
  EXPECT_EQ(first.console(), VALID_DIALOGUE + CLOSING);
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), madrid);
  EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
}

// A descriptor that the program was started without would be handed to
// the next file opened, the curve file's: console text or a message would
// land in it. The null device takes its place instead.
TEST(IncompleteRuns, AClosedStandardStreamNeverReachesTheCurveFile) {
  const std::string madrid = reference_curve("40.4\n-3.7\n");
  {
    SCOPED_TRACE("standard output closed, a complete run");
    DemoRunDir dir;
    testsupport::ProgramCall call;
    call.program = KARVEN_PROGRAM;
    call.input = "40.4\n-3.7\n";
    call.in_child = [] { close(1); };
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), madrid);
    EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
  }
  {
    SCOPED_TRACE("standard error closed, a failed run");
    DemoRunDir dir;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    testsupport::ProgramCall call;
    call.program = KARVEN_PROGRAM;
    call.input = "40.4abc\n";
    call.in_child = [] { close(2); };
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, BANNER + LAT_PROMPT);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
    EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
  }
  {
    SCOPED_TRACE("standard input closed");
    DemoRunDir dir;
    testsupport::ProgramCall call;
    call.program = KARVEN_PROGRAM;
    call.in_child = [] { close(0); };
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, BANNER + LAT_PROMPT + "\n");
    EXPECT_EQ(run.err,
              "karven: expected the geodetic latitude in decimal degrees, but the input ended" +
                  NOT_WRITTEN);
    EXPECT_EQ(directory_listing(), std::vector<std::string>{"KARVEN_coeff.inp"});
  }
}

// A curve file that is a link to the coefficient file, symbolic or hard:
// the run replaces the link with its curve, and the coefficients are kept.
TEST(IncompleteRuns, ACurveFileLinkedToTheCoefficientFileLeavesItWhole) {
  const std::string madrid = reference_curve("40.4\n-3.7\n");
  const std::string coefficients = read_file(KARVEN_DEMO_COEFFICIENTS);
  for (const bool symbolic : {true, false}) {
    SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
    DemoRunDir dir;
    if (symbolic) {
      std::filesystem::create_symlink("KARVEN_coeff.inp", driver::CURVE_FILE_NAME);
    } else {
      std::filesystem::create_hard_link("KARVEN_coeff.inp", driver::CURVE_FILE_NAME);
    }
    const auto run = testsupport::run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(read_file("KARVEN_coeff.inp"), coefficients);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), madrid);
    EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
  }
}

}  // namespace
