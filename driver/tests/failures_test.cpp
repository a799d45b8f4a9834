// How a run fails: whatever ends it, the user sees why, the exit status is
// 1, and the curve file keeps the lines written before the failure.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "console/records.hpp"
#include "driver/curve_file.hpp"
#include "driver/run.hpp"
#include "legendre/xdlegf.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::read_lines;
using testsupport::ScopedWorkDir;

struct DemoRunDir : ScopedWorkDir {
  DemoRunDir() { std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp"); }
};

TEST(Failures, ADiskThatFillsDuringTheRunIsReported) {
  DemoRunDir dir;
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
  EXPECT_EQ(run.err, "karven: cannot write the curve file psvc_karven.eu.26.dat: File too large\n");
  // No closing line: the run did not end well.
  EXPECT_EQ(run.out.find("Stop - Program terminated."), std::string::npos);
  const std::string curve = read_file(driver::CURVE_FILE_NAME);
  EXPECT_EQ(curve.size(), 3000u);
  EXPECT_EQ(read_lines(driver::CURVE_FILE_NAME)[17].substr(0, 7), "     0.");
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

TEST(Failures, AFatalReportEndsTheRunWithStatusOneAndKeepsTheCurveFile) {
  driver::reset_run_state();
  ScopedWorkDir dir;
  testsupport::CoutCapture out;
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
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[12], "          40.40          -3.70");
}

}  // namespace
