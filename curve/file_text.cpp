#include "curve/file_text.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace curve {

std::string read_file_text(const std::filesystem::path& path, std::size_t max_bytes) {
  const auto cannot_read = [&path](int error) {
    return FileReadError("cannot read " + path.string() + ": " + std::strerror(error));
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw cannot_read(errno);
  struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
  } closer{fd};

  struct stat status {};
  if (::fstat(fd, &status) != 0) throw cannot_read(errno);
  if (S_ISDIR(status.st_mode)) throw cannot_read(EISDIR);

  std::string text;
  std::array<char, 1 << 15> buffer{};
  while (text.size() <= max_bytes) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw cannot_read(errno);
    if (n == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(n));
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
  std::string shown(text);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f) c = '?';
  }
  return shown;
}

}  // namespace curve
