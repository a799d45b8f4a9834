// Text files as users hand them to the companions: regular files only,
// read whole but bounded or line by line in bounded memory, split into
// lines whatever their line ends, and quoted safely in messages.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace curve {

/// The file cannot be opened or read; the message names it and says why.
class FileReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// What a file that is not a regular file is, in words for a message:
/// "a FIFO", "a character device", "a directory", ...
std::string_view file_kind(mode_t mode);

/// A file of the user's, open for reading, and only if it is a regular
/// file: a FIFO would hold the run for ever, a device such as /dev/zero
/// would never end it, and a directory holds no text. It is opened without
/// waiting, so that a FIFO is refused at once, and the type is that of the
/// file opened, also through a symbolic link. Closed when the object goes.
class InputFile {
 public:
  /// @throws FileReadError "cannot read NAME: No such file or directory",
  ///         "cannot read NAME: Is a directory", "cannot read NAME: a FIFO,
  ///         not a regular file", with the name as console::shown_text
  ///         shows it
  explicit InputFile(const std::filesystem::path& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// Reads the next bytes into the buffer.
  ///
  /// @return how many, 0 at the end of the file
  /// @throws FileReadError when the system cannot read the file
  std::size_t read(char* buffer, std::size_t size);

  /// The file's size in bytes when it was opened.
  std::uint64_t size() const { return size_; }

 private:
  std::filesystem::path path_;
  int descriptor_ = -1;
  std::uint64_t size_ = 0;
};

/// An InputFile as a stream buffer, read in blocks of 64 KiB: a file of
/// any length is read with that much memory. A read error is thrown from
/// the buffer's reading functions as the FileReadError it is.
class InputFileBuffer : public std::streambuf {
 public:
  /// @throws FileReadError as InputFile
  explicit InputFileBuffer(const std::filesystem::path& path);

  /// Bytes taken from the file so far, for a progress report.
  std::uint64_t bytes_read() const { return bytes_read_; }
  std::uint64_t size() const { return file_.size(); }

 protected:
  int_type underflow() override;

 private:
  InputFile file_;
  std::vector<char> buffer_;
  std::uint64_t bytes_read_ = 0;
};

/// How read_bounded_line found a line to end.
enum class LineEnd {
  none,          // no line: the input had ended
  line_feed,     // at a line feed, which was read past
  end_of_input,  // at the end of the input, without a line feed
};

/// Reads one line of a stream buffer, without its line feed, keeping at
/// most max_bytes of it: the rest of a longer line is read past and
/// dropped, so that no line of any length takes more memory.
///
/// @param[in,out] in        the buffer, left at the start of the next line
/// @param[in]     max_bytes the longest line kept whole
/// @param[out]    line      the line, or its first max_bytes bytes
/// @param[out]    too_long  whether the line was longer than max_bytes
/// @return how the line ended; LineEnd::none when there was none
LineEnd read_bounded_line(std::streambuf& in, std::size_t max_bytes, std::string& line,
                          bool& too_long);

/// Reads a file whole, but never more than max_bytes + 1 bytes: a result
/// longer than max_bytes means the file is longer, and the caller says
/// what kind of file it is not.
///
/// @throws FileReadError when the file cannot be opened or read, or is not
///         a regular file (see InputFile)
std::string read_file_text(const std::filesystem::path& path, std::size_t max_bytes);

/// The lines of a text without their line ends (LF, or CR LF); a last line
/// without a line end counts too.
std::vector<std::string_view> split_lines(std::string_view text);

/// File content quoted in a message between double quotes: printable ASCII
/// as it is, any other byte, the quote and the backslash as \xHH
/// (console::escaped_text), so that no byte of a file reaches the terminal
/// as a command.
std::string printable(std::string_view text);

}  // namespace curve
