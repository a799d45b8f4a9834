// How a run fails: whatever ends it, the user sees why, the exit status is
// 1, and no curve file is written: an earlier one stays as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "console/records.hpp"
#include "driver/curve_file.hpp"
#include "driver/run.hpp"
#include "driver/tests/program_runs.hpp"
#include "legendre/xdlegf.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::read_lines;
using testsupport::ScopedWorkDir;

using driver_test::COEFFICIENTS_AND_CURVE;
using driver_test::DemoRunDir;
using driver_test::directory_listing;
using driver_test::EARLIER_CURVE;

TEST(Failures, ADiskThatFillsDuringTheRunIsReported) {
  DemoRunDir dir;
  testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
  testsupport::ProgramCall call;
  call.program = KARVEN_PROGRAM;
  call.input = "40.4\n-3.7\n";
  // Room for the header and a few curve lines only: the system refuses
  // the rest, as a full disk does.
  call.in_child = [] {
    if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) _exit(126);
    const rlimit limit{3000, 3000};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  };
  const auto run = testsupport::run_program(call);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "karven: cannot write the curve file psvc_karven.eu.26.dat: File too large; no curve "
            "file was written\n");
  // No closing line: the run did not end well.
  EXPECT_EQ(run.out, driver_test::VALID_DIALOGUE + "\n");
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
  EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
}

TEST(Failures, AConsoleThatCannotBeWrittenIsReported) {
  DemoRunDir dir;
  testsupport::ProgramCall call;
  call.program = KARVEN_PROGRAM;
  call.input = "40.4\n-3.7\n";
  call.stdout_path = "/dev/full";
  const auto run = testsupport::run_program(call);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "karven: cannot write to standard output\n");
  EXPECT_EQ(read_lines(driver::CURVE_FILE_NAME).size(), 398u);  // the curve itself is complete
}

// A fatal report of the numerical routines cannot arise from any site of
// the region: every argument the program passes is valid. Its handling is
// checked here with a run whose body makes such a report after the site
// block, where the site set-up would.
void run_with_an_invalid_angle() {
  driver::open_curve_file();
  driver::write_site_block(40.4, -3.7);
  double values[1];
  std::int32_t indices[1];
  legendre::XDLEGF(2.5, 0, 1, 1, 0.0, 3, values, indices);
}

TEST(Failures, AFatalReportEndsTheRunWithStatusOneAndWritesNoCurveFile) {
  driver::reset_run_state();
  ScopedWorkDir dir;
  testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
  testsupport::CoutCapture out;
  testsupport::CerrCapture err;
  EXPECT_EQ(driver::run_guarded(run_with_an_invalid_angle), 1);
  EXPECT_EQ(out.text(),
            "THETA: 0"
            "\n "
            "\nRECOVERABLE ERROR IN..."
            "\nXDLEGF: THETA OUT OF RANGE"
            "\nERROR NUMBER =         2"
            "\nJOB ABORT DUE TO UNRECOVERED ERROR."
            "\n"
            "\n          ERROR MESSAGE SUMMARY"
            "\nMESSAGE START             NERR     LEVEL     COUNT"
            "\nXDLEGF: THETA OUT OF         2         1         1"
            "\n"
            "\nStop - Program terminated.\n");
  EXPECT_EQ(err.text(),
            "karven: the run was stopped by the error report above; no curve file was written\n");
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
  EXPECT_EQ(directory_listing(), std::vector<std::string>{driver::CURVE_FILE_NAME});
}

}  // namespace
