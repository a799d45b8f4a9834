// A fresh run for each Legendre test, and what the console shows for a
// level-1 report of the Legendre routines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "console/records.hpp"
#include "errors/message_table.hpp"
#include "legendre/extended_range.hpp"

namespace legendre_tests {

/// The whole console text of a level-1 report, the first of the run: the
/// message, its number, the abort line, the error summary of one entry
/// and the closing line. NERR is a single digit here.
inline std::string fatal_report(std::string_view message, int NERR) {
  const std::string number = std::string(9, ' ') + std::to_string(NERR);
  return " "
         "\nRECOVERABLE ERROR IN..."
         "\n" +
         std::string(message) + "\nERROR NUMBER =" + number +
         "\nJOB ABORT DUE TO UNRECOVERED ERROR."
         "\n"
         "\n          ERROR MESSAGE SUMMARY"
         "\nMESSAGE START             NERR     LEVEL     COUNT"
         "\n" +
         std::string(message.substr(0, 20)) + number + "         1         1" +
         "\n"
         "\nStop - Program terminated.\n";
}

/// A fresh run: console cursor at a line start, empty message table, and
/// the arithmetic not yet set up.
inline void reset_run() {
  console::reset_console_cursor();
  errors::reset_message_table();
  legendre::reset_extended_range_parameters();
}

/// A fresh run with the arithmetic set up as XDLEGF sets it up.
class DefaultArithmetic : public testing::Test {
 protected:
  void SetUp() override {
    reset_run();
    legendre::XDSET(0, 0, 0.0, 0);
  }
};

}  // namespace legendre_tests
