#include "curve/file_text.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/numbers.hpp"

namespace curve {

namespace {

// Blocks of a file read at a time.
constexpr std::size_t BLOCK_BYTES = std::size_t{1} << 16;

}  // namespace

std::string_view file_kind(mode_t mode) {
  if (S_ISREG(mode)) return "a regular file";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
  const auto cannot_read = [&path](const std::string& reason) {
    return FileReadError("cannot read " + console::shown_text(path.string()) + ": " + reason);
  };
  // O_NONBLOCK: a FIFO without a writer opens at once instead of waiting.
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor_ < 0) throw cannot_read(std::strerror(errno));
  struct stat status {};
  if (::fstat(descriptor_, &status) != 0) {
    const int error = errno;
    ::close(descriptor_);
    throw cannot_read(std::strerror(error));
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(descriptor_);
    if (S_ISDIR(status.st_mode)) throw cannot_read(std::strerror(EISDIR));
    throw cannot_read(std::string(file_kind(status.st_mode)) + ", not a regular file");
  }
  // A regular file reads the same with or without the flag; cleared all
  // the same, so that a read waits for the disk as usual.
  ::fcntl(descriptor_, F_SETFL, ::fcntl(descriptor_, F_GETFL) & ~O_NONBLOCK);
  size_ = static_cast<std::uint64_t>(status.st_size);
}

InputFile::~InputFile() { ::close(descriptor_); }

std::size_t InputFile::read(char* buffer, std::size_t size) {
  while (true) {
    const ssize_t n = ::read(descriptor_, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) {
      throw FileReadError("cannot read " + console::shown_text(path_.string()) + ": " +
                          std::strerror(errno));
    }
  }
}

InputFileBuffer::InputFileBuffer(const std::filesystem::path& path)
    : file_(path), buffer_(BLOCK_BYTES) {}

InputFileBuffer::int_type InputFileBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  const std::size_t n = file_.read(buffer_.data(), buffer_.size());
  if (n == 0) return traits_type::eof();
  bytes_read_ += n;
  setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
  return traits_type::to_int_type(*gptr());
}

LineEnd read_bounded_line(std::streambuf& in, std::size_t max_bytes, std::string& line,
                          bool& too_long) {
  using traits = std::streambuf::traits_type;
  line.clear();
  too_long = false;
  if (traits::eq_int_type(in.sgetc(), traits::eof())) return LineEnd::none;
  while (true) {
    const std::streambuf::int_type c = in.sbumpc();
    if (traits::eq_int_type(c, traits::eof())) return LineEnd::end_of_input;
    if (c == '\n') return LineEnd::line_feed;
    if (line.size() < max_bytes) {
      line += traits::to_char_type(c);
    } else {
      too_long = true;
    }
  }
}

std::string read_file_text(const std::filesystem::path& path, std::size_t max_bytes) {
  InputFile file(path);
  std::string text;
  std::vector<char> buffer(BLOCK_BYTES);
  while (text.size() <= max_bytes) {
    const std::size_t n = file.read(buffer.data(), buffer.size());
    if (n == 0) break;
    text.append(buffer.data(), n);
  }
  if (text.size() > max_bytes + 1) text.resize(max_bytes + 1);
  return text;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = (end == std::string_view::npos) ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = next;
  }
  return lines;
}

std::string printable(std::string_view text) {
  return console::escaped_text(text, console::Kept::ascii, "\"\\");
}

}  // namespace curve
