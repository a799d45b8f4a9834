#include "errors/xerror.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "console/fields.hpp"
#include "console/records.hpp"
#include "errors/message_table.hpp"

namespace errors {

namespace {

constexpr std::size_t LINE_LENGTH = 72;

const char* heading_of(int LEVEL) {
  switch (LEVEL) {
    case -1:
      return "WARNING MESSAGE...THIS MESSAGE WILL ONLY BE PRINTED ONCE.";
    case 0:
      return "WARNING IN...";
    case 1:
      return "RECOVERABLE ERROR IN...";
    default:
      return "FATAL ERROR IN...";
  }
}

// How many occurrences of a message of this level are printed.
int allowance_of(int LEVEL) {
  using S = ErrorHandlerSettings;
  switch (LEVEL) {
    case -1:
      return std::min(1, S::print_limit);
    case 0:
      return S::print_limit;
    case 1:
      // Never suppressed when the magnitude of the control flag is 2.
      return std::abs(S::control_flag) == 2 ? std::numeric_limits<int>::max() : S::print_limit;
    default:
      return std::max(1, S::print_limit);
  }
}

}  // namespace

void print_message_text(std::string_view text) {
  for (std::size_t start = 0; start < text.size(); start += LINE_LENGTH) {
    console::write_record(text.substr(start, LINE_LENGTH));
  }
}

void abort_run() {
  console::finish_run();
  throw RunAborted{};
}

void XERROR(std::string_view message, int length, int NERR, int LEVEL) {
  using S = ErrorHandlerSettings;
  if (length <= 0 || NERR == 0 || LEVEL < -1 || LEVEL > 2) {
    print_message_text("FATAL ERROR IN...");
    print_message_text("XERROR -- INVALID INPUT");
    print_message_text("JOB ABORT DUE TO FATAL ERROR.");
    print_error_summary();
    abort_run();
  }
  const std::string_view text = message.substr(0, static_cast<std::size_t>(length));
  const int count = record_message(text, NERR, LEVEL);

  if (count <= allowance_of(LEVEL) && S::control_flag > 0) {
    print_message_text(" ");
    print_message_text(heading_of(LEVEL));
    print_message_text(text);
    print_message_text("ERROR NUMBER =" + console::int_field(NERR, 10));
  }

  const bool fatal = LEVEL == 2 || (LEVEL == 1 && std::abs(S::control_flag) == 2);
  if (!fatal) return;

  if (count <= std::max(1, S::print_limit) && S::control_flag > 0) {
    print_message_text(LEVEL == 1 ? "JOB ABORT DUE TO UNRECOVERED ERROR."
                                  : "JOB ABORT DUE TO FATAL ERROR.");
    print_error_summary();
  }
  abort_run();
}

}  // namespace errors
