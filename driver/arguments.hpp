// The command line of karven: the program takes no arguments, but answers
// --help and --version as the companions do.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace driver {

/// Exit status of a wrong command line.
inline constexpr int WRONG_USAGE = 2;

/// The text of --help.
std::string help_text();

/// Answers a command line that asks for no run: --help (or -h) prints the
/// help, --version the program's name and version, on standard output;
/// any other argument is refused with one line on standard error that
/// points to the manual page. The first of --help and --version given
/// answers, whatever else stands beside it, as with the companions.
///
/// @param[in] arguments  the arguments after the program's name
/// @return nothing when there are no arguments and the run is to start;
///         otherwise the exit status: 0 after an answer, 1 when standard
///         output cannot be written, 2 for a wrong command line
std::optional<int> answer_arguments(std::span<const std::string_view> arguments);

}  // namespace driver
