// Console records: the one place where text reaches the console.
//
// Every console line of the program is a record whose line break comes
// before its text, not after it. A prompt therefore leaves the cursor
// directly after its colon, and the user's own line end, typed after the
// answer, already opens the next line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace console {

/// Writes one record on standard output: a line break, unless the cursor
/// stands at the start of a line (the start of the run, or just after the
/// user's answer was read), then the text. No line break follows the text.
void write_record(std::string_view text);

/// Ends a line left open by the last record, so that whatever comes next
/// (the closing line, a report on standard error) starts on a line of its
/// own. Does nothing when the cursor is already at the start of a line.
void end_open_line();

/// Ends an open line and prints the closing line of every run,
/// "Stop - Program terminated.", on a line of its own.
void finish_run();

/// A failure that ends the run with a one-line report on standard error
/// (see report_failure) and a non-zero exit status: unreadable input, a
/// file that cannot be read or written.
class RunFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Unreadable console input or end of input: the run cannot go on.
class InputError : public RunFailure {
 public:
  using RunFailure::RunFailure;
};

/// Reads one number in free format from standard input. Blank lines are
/// skipped; the first token of the first non-blank line is the number and
/// the rest of that line is ignored, unless it shows that the number alone
/// would stand for another value than the one meant (see
/// classify_answer_tail): a decimal comma, a hemisphere, degrees and
/// minutes, two numbers. Accepts NaN and infinities (which the caller's
/// range test then rejects).
///
/// @param[in] expected    what is asked for, for the report, e.g. "the
///                        geodetic latitude in decimal degrees"
/// @param[in] signs       how to type the value instead of a hemisphere,
///                        e.g. "type the longitude east positive, e.g. -3.7
///                        for 3.7 W"
/// @param[in] one_number  what to type instead of two numbers, e.g. "give
///                        one number per question"
/// @return the number read
/// @throws InputError     when the token is not a number, the rest of its
///                        line shows one of those mistakes, or the input ends
double read_real(std::string_view expected, std::string_view signs = "type the value with its sign",
                 std::string_view one_number = "type one number alone");

/// Reports an input or file failure: ends an open console line, then
/// writes "karven: " and the message on standard error as one line.
void report_failure(std::string_view message);

/// Where the console cursor stands; kept between records.
struct ConsoleCursor {
  bool at_line_start = true;  // the first record starts where the console is
};

const ConsoleCursor& console_cursor();

/// For tests: a run starts with the cursor at the start of a line.
void reset_console_cursor();

}  // namespace console
