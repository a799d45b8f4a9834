// The error handler: the one funnel through which the numerical routines
// report trouble. Under the handler's fixed settings every report at level
// 1 or 2 is fatal: the message and the error summary are printed and the
// run ends, by unwinding to the main routine.
#pragma once

#include <string_view>

namespace errors {

/// The handler's settings, fixed for the run.
struct ErrorHandlerSettings {
  // Positive: headings, error numbers, the abort line and the summary are
  // printed. Magnitude 2: a level-1 report is fatal and never suppressed.
  static constexpr int control_flag = 2;
  // The most times one remembered message is printed.
  static constexpr int print_limit = 10;
};

/// Thrown by abort_run once everything is printed; only the main routine
/// catches it. Not a std::exception, so that no handler for ordinary
/// failures can stop it on its way.
struct RunAborted {
  int exit_status = 1;  // the run failed
};

/// Reports a message.
///
/// @param[in] message  the text; its first `length` characters are used
/// @param[in] length   number of characters of the text, positive
/// @param[in] NERR     error number, non-zero
/// @param[in] LEVEL    -1: warning printed once, 0: warning,
///                     1: recoverable error, 2: fatal error
/// Returns to the caller only for the warning levels; otherwise, and for
/// invalid arguments, throws RunAborted after printing.
void XERROR(std::string_view message, int length, int NERR, int LEVEL);

/// Writes a text on the console in lines of at most 72 characters; a text
/// of length 0 writes nothing.
void print_message_text(std::string_view text);

/// Ends the run: prints the closing line "Stop - Program terminated." and
/// throws RunAborted.
[[noreturn]] void abort_run();

}  // namespace errors
