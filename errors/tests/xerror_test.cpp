#include "errors/xerror.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "console/records.hpp"
#include "errors/message_table.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using errors::RunAborted;
using errors::XERROR;
using testsupport::CoutCapture;

class Xerror : public testing::Test {
 protected:
  void SetUp() override {
    console::reset_console_cursor();
    errors::reset_message_table();
  }
};

const std::string SUMMARY_HEAD =
    "\n"
    "\n          ERROR MESSAGE SUMMARY"
    "\nMESSAGE START             NERR     LEVEL     COUNT";

TEST_F(Xerror, LevelOneReportPrintsItsLinesTheSummaryAndEndsTheRun) {
  CoutCapture out;
  try {
    XERROR("ERR IN XDADJ...OVERFLOW IN AUXILIARY INDEX", 42, 1, 1);
    ADD_FAILURE() << "the report returned";
  } catch (const RunAborted& stop) {
    EXPECT_EQ(stop.exit_status, 1);
  }
  EXPECT_EQ(out.text(),
            " "
            "\nRECOVERABLE ERROR IN..."
            "\nERR IN XDADJ...OVERFLOW IN AUXILIARY INDEX"
            "\nERROR NUMBER =         1"
            "\nJOB ABORT DUE TO UNRECOVERED ERROR." +
                SUMMARY_HEAD +
                "\nERR IN XDADJ...OVERF         1         1         1"
                "\n"
                "\nStop - Program terminated.\n");
}

TEST_F(Xerror, LevelTwoReportIsAFatalError) {
  CoutCapture out;
  EXPECT_THROW(XERROR("XDLEGF: THETA OUT OF RANGE", 26, 2, 2), RunAborted);
  EXPECT_EQ(out.text(),
            " "
            "\nFATAL ERROR IN..."
            "\nXDLEGF: THETA OUT OF RANGE"
            "\nERROR NUMBER =         2"
            "\nJOB ABORT DUE TO FATAL ERROR." +
                SUMMARY_HEAD +
                "\nXDLEGF: THETA OUT OF         2         2         1"
                "\n"
                "\nStop - Program terminated.\n");
}

TEST_F(Xerror, WarningIsPrintedTenTimesThenOnlyCounted) {
  CoutCapture out;
  for (int i = 0; i < 12; ++i) XERROR("SOMETHING ODD", 13, 7, 0);
  const std::string once = " \nWARNING IN...\nSOMETHING ODD\nERROR NUMBER =         7";
  std::string expected = once;
  for (int i = 1; i < 10; ++i) expected += "\n" + once;
  EXPECT_EQ(out.text(), expected);
  EXPECT_EQ(errors::message_table().entries[0].COUNT, 12);
}

TEST_F(Xerror, OnceWarningIsPrintedOnItsFirstOccurrenceOnly) {
  CoutCapture out;
  for (int i = 0; i < 3; ++i) XERROR("ONLY ONCE", 9, 3, -1);
  EXPECT_EQ(out.text(),
            " \nWARNING MESSAGE...THIS MESSAGE WILL ONLY BE PRINTED ONCE.\nONLY ONCE"
            "\nERROR NUMBER =         3");
  EXPECT_EQ(errors::message_table().entries[0].COUNT, 3);
}

TEST_F(Xerror, InvalidArgumentsAreThemselvesAFatalError) {
  const struct { int length, NERR, LEVEL; } cases[] = {{0, 1, 1}, {5, 0, 1}, {5, 1, 3}, {5, 1, -2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " " << c.NERR << " " << c.LEVEL);
    SetUp();
    CoutCapture out;
    EXPECT_THROW(XERROR("HELLO", c.length, c.NERR, c.LEVEL), RunAborted);
    EXPECT_EQ(out.text(),
              "FATAL ERROR IN...\nXERROR -- INVALID INPUT\nJOB ABORT DUE TO FATAL ERROR."
              "\nStop - Program terminated.\n");
    EXPECT_EQ(errors::message_table().entries[0].COUNT, 0);  // not recorded
  }
  // What was recorded before is summarised.
  SetUp();
  CoutCapture out;
  XERROR("EARLIER WARNING", 15, 4, 0);
  EXPECT_THROW(XERROR("X", 1, 0, 0), RunAborted);
  EXPECT_THAT(out.text(), testing::EndsWith("JOB ABORT DUE TO FATAL ERROR." + SUMMARY_HEAD +
                                            "\nEARLIER WARNING              4         0         1"
                                            "\n\nStop - Program terminated.\n"));
}

TEST_F(Xerror, LongMessagesAreWrittenInLinesOf72) {
  const std::string text(100, 'A');
  for (const int length : {72, 73, 100}) {
    SCOPED_TRACE(length);
    SetUp();
    CoutCapture out;
    XERROR(text, length, 1, 0);
    const std::string rest = length > 72 ? "\n" + std::string(std::size_t(length) - 72, 'A') : "";
    EXPECT_EQ(out.text(),
              " \nWARNING IN...\n" + std::string(72, 'A') + rest + "\nERROR NUMBER =         1");
  }
}

TEST_F(Xerror, OnlyTheGivenLengthOfTheTextIsReported) {
  CoutCapture out;
  XERROR("SHORT AND THE REST", 5, 1, 0);
  EXPECT_EQ(out.text(), " \nWARNING IN...\nSHORT\nERROR NUMBER =         1");
}

TEST(PrintMessageText, EmptyTextWritesNothing) {
  console::reset_console_cursor();
  CoutCapture out;
  errors::print_message_text("");
  EXPECT_EQ(out.text(), "");
}

}  // namespace
