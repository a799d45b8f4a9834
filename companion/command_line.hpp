// The command line of a companion command (karven-plot, karven-date), read
// with CLI11 under conventions that all companions share: -h and --help
// print the help, --version the toolkit's version, both on standard
// output with exit status 0; a wrong command line is said in one line on
// standard error, followed by a hint at --help, with exit status 2.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace companion {

/// Exit status of a run that could not do what it was asked.
inline constexpr int FAILED = 1;
/// Exit status of a wrong command line.
inline constexpr int WRONG_USAGE = 2;

/// The command line asks for nothing that can be done; the message says
/// what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A CLI11 application set up as a companion: its help starts with the
/// given usage line and description and ends with the footer, and it knows
/// --help, -h and --version. Arguments that no option takes are collected,
/// so that parse_command_line can name them.
///
/// @param[in] program      the command's name, e.g. "karven-plot"
/// @param[in] usage        the usage line after "Usage: " and the name,
///                         e.g. "[--format png|svg|pdf] [CURVE_FILE]"
/// @param[in] description  the paragraphs after the usage line
/// @param[in] footer       the paragraphs after the list of options
std::unique_ptr<CLI::App> make_app(const std::string& program, const std::string& usage,
                                   const std::string& description, const std::string& footer);

/// What a command line asks before the command's own work.
struct Parsed {
  bool stop = false;  // --help or --version: print `text` and end with status 0
  std::string text;
};

/// Reads the arguments after the program's name.
///
/// @throws UsageError  for an unknown option, a missing value, an option
///                     given twice that takes one value, or an argument
///                     that no option or positional takes
Parsed parse_command_line(CLI::App& app, std::span<const std::string_view> arguments);

/// An output of a command line, for check_one_standard_output: how the
/// messages name it ("--density -", "--json", "the report") and whether it
/// goes to standard output.
struct StandardOutputUse {
  std::string name;
  bool used = false;
};

/// Refuses a command line that sends more than one output to standard
/// output, where they would be mixed.
///
/// @throws UsageError "--grid - and --csv - both write to standard
///         output, which can carry only one of them", the outputs named
///         in the order given
void check_one_standard_output(std::span<const StandardOutputUse> outputs);

/// One line on standard error, "program: message". Whatever the message
/// holds, no control character but the line feed reaches the terminal
/// (console::escaped_text); names and paths in it should already be shown
/// with console::shown_text, which escapes line feeds and backslashes too.
void report(std::string_view program, std::string_view message);

/// Says a usage error as the companions do and gives its exit status, 2.
int wrong_usage(std::string_view program, std::string_view message);

/// Makes the standard descriptors safe to rely on, first thing in a
/// companion's main (console::open_standard_streams). A standard output
/// that was closed is opened on the null device, and whatever is written
/// to it counts as lost: finish_output then says so and fails.
///
/// @return false when a closed descriptor could not be opened: the
///         companion should end at once with exit status 1
bool open_standard_streams();

/// The exit status of a companion whose command gave `status`: standard
/// output is flushed, and when a write to it failed (a full disk, a closed
/// pipe, /dev/full) the run says so on standard error and fails with
/// status 1, whatever it wrote, --help and --version included.
int finish_output(std::string_view program, int status);

}  // namespace companion
