// Text files as users hand them to the companions: read whole but bounded,
// split into lines whatever their line ends, and quoted safely in messages.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace curve {

/// The file cannot be opened or read; the message names it and says why.
class FileReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads a file whole, but never more than max_bytes + 1 bytes: a result
/// longer than max_bytes means the file is longer, and the caller says
/// what kind of file it is not.
///
/// @throws FileReadError when the file cannot be opened or read, or is a
///         directory
std::string read_file_text(const std::filesystem::path& path, std::size_t max_bytes);

/// The lines of a text without their line ends (LF, or CR LF); a last line
/// without a line end counts too.
std::vector<std::string_view> split_lines(std::string_view text);

/// File content quoted in a message: control and non-ASCII bytes become
/// '?', so that no byte of a file reaches the terminal as a command.
std::string printable(std::string_view text);

}  // namespace curve
