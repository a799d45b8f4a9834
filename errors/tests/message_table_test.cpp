#include "errors/message_table.hpp"

#include <gtest/gtest.h>

#include <string>

#include "console/records.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using errors::print_error_summary;
using errors::record_message;
using testsupport::CoutCapture;

class MessageTable : public testing::Test {
 protected:
  void SetUp() override {
    console::reset_console_cursor();
    errors::reset_message_table();
  }
};

TEST_F(MessageTable, SameKeyNumberAndLevelCountAsOneMessage) {
  EXPECT_EQ(record_message("ERR IN XDSET...NRADPL .GE. L", 5, 1), 1);
  EXPECT_EQ(record_message("ERR IN XDSET...NRADPxxxxxxx", 5, 1), 2);   // same first 20
  EXPECT_EQ(record_message("ERR IN XDSET...NRADPL .GE. L", 5, 2), 1);  // other level
  EXPECT_EQ(record_message("ERR IN XDSET...NRADPL .GE. L", 6, 1), 1);  // other number
  const auto& entries = errors::message_table().entries;
  EXPECT_EQ(entries[0].key, "ERR IN XDSET...NRADP");
  EXPECT_EQ(entries[0].COUNT, 2);
  EXPECT_EQ(entries[3].COUNT, 0);
}

TEST_F(MessageTable, SummaryOfAShortMessageIsBlankPadded) {
  record_message("SHORT", 3, 0);
  record_message("SHORT", 3, 0);
  CoutCapture out;
  print_error_summary();
  EXPECT_EQ(out.text(),
            "\n          ERROR MESSAGE SUMMARY"
            "\nMESSAGE START             NERR     LEVEL     COUNT"
            "\nSHORT                        3         0         2"
            "\n");
}

TEST_F(MessageTable, EmptyTablePrintsNothing) {
  CoutCapture out;
  print_error_summary();
  EXPECT_EQ(out.text(), "");
}

TEST_F(MessageTable, MessagesBeyondTheTenthAreCountedTogether) {
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(record_message("MESSAGE " + std::to_string(i), i, 0), 1);
  EXPECT_EQ(record_message("THE ELEVENTH", 11, 0), 1);
  EXPECT_EQ(record_message("THE ELEVENTH", 11, 0), 1);
  EXPECT_EQ(record_message("A TWELFTH", 12, 0), 1);
  EXPECT_EQ(record_message("MESSAGE 3", 3, 0), 2);  // still tabulated
  EXPECT_EQ(errors::message_table().other_errors, 3);

  CoutCapture out;
  print_error_summary();
  std::string expected =
      "\n          ERROR MESSAGE SUMMARY"
      "\nMESSAGE START             NERR     LEVEL     COUNT";
  for (int i = 1; i <= 10; ++i) {
    std::string key = "MESSAGE " + std::to_string(i);
    key.resize(20, ' ');
    const std::string count = i == 3 ? "2" : "1";
    const std::string nerr = std::to_string(i);
    expected +=
        "\n" + key + std::string(10 - nerr.size(), ' ') + nerr + "         0         " + count;
  }
  expected +=
      "\n"
      "\nOTHER ERRORS NOT INDIVIDUALLY TABULATED=         3"
      "\n";
  EXPECT_EQ(out.text(), expected);
}

}  // namespace
