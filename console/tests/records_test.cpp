#include "console/records.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "testsupport/testsupport.hpp"

namespace {

using testsupport::CerrCapture;
using testsupport::CinFeed;
using testsupport::CoutCapture;

class Records : public testing::Test {
 protected:
  void SetUp() override { console::reset_console_cursor(); }
};

TEST_F(Records, LineBreakComesBeforeTheTextAndAfterAReadNoneIsAdded) {
  CoutCapture out;
  CinFeed in("\n  \t\r\n 40.4, more after the number\n-3.7/\n");
  console::write_record("first");  // the first record starts where the console is
  console::write_record("Prompt:");
  EXPECT_EQ(console::read_real("a number"), 40.4);
  console::write_record(" ");  // the user's line end opened this line
  console::write_record("Prompt:");
  EXPECT_EQ(console::read_real("a number"), -3.7);
  console::finish_run();
  EXPECT_EQ(out.text(), "first\nPrompt: \nPrompt:Stop - Program terminated.\n");
}

TEST_F(Records, AnOpenLineIsEndedBeforeTheClosingLine) {
  CoutCapture out;
  console::write_record("Give:");
  console::finish_run();
  EXPECT_EQ(out.text(), "Give:\nStop - Program terminated.\n");
}

TEST_F(Records, UnreadableInputNamesWhatWasExpectedAndWhatWasRead) {
  const struct {
    const char* input;
    const char* message;
  } cases[] = {
      {"40.4abc\n", "expected the latitude, read \"40.4abc\""},
      {"  --3  \n", "expected the latitude, read \"--3\""},
      {",40\n", "expected the latitude, read \",\""},
      {"4\x01\n", "expected the latitude, read \"4\\x01\""},
      {"", "expected the latitude, but the input ended"},
      {"\n\n   \n", "expected the latitude, but the input ended"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    CoutCapture out;
    CinFeed in(c.input);
    try {
      console::read_real("the latitude");
      ADD_FAILURE() << "no InputError";
    } catch (const console::InputError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST_F(Records, AnOverlongTokenIsUnreadableAndNotKept) {
  CoutCapture out;
  CinFeed in(std::string(100000, '1') + "\n");
  try {
    console::read_real("x");
    ADD_FAILURE() << "no InputError";
  } catch (const console::InputError& e) {
    EXPECT_EQ(std::string(e.what()), "expected x, read \"" + std::string(64, '1') + "...\"");
  }
}

TEST_F(Records, NanIsReadAsANumber) {
  CoutCapture out;
  CinFeed in("nan\n");
  EXPECT_TRUE(std::isnan(console::read_real("x")));
}

TEST_F(Records, FailureReportEndsTheOpenLineAndGoesToStandardError) {
  CoutCapture out;
  CerrCapture err;
  console::write_record("Give:");
  console::report_failure("expected x, read \"y\"");
  EXPECT_EQ(out.text(), "Give:\n");
  EXPECT_EQ(err.text(), "karven: expected x, read \"y\"\n");
}

}  // namespace
