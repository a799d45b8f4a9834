#include "companion/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <random>

#include "console/numbers.hpp"
#include "curve/file_text.hpp"
#include "driver/coefficients.hpp"
#include "driver/curve_file.hpp"

namespace companion {

namespace {

constexpr std::array<int, 4> ENDING_SIGNALS = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The longest part of the destination's name that the temporary file's
// name repeats: the whole name and ".XXXXXX" must stay within a file
// system's 255 bytes.
constexpr std::size_t NAME_KEPT = 200;

std::string shown(const std::filesystem::path& path) { return console::shown_text(path.string()); }

std::optional<struct stat> status_of(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return status;
}

// Hands a file's bytes to `use` in pieces.
//
// @throws OutputError when the file cannot be read
template <typename Use>
void read_in_pieces(const std::filesystem::path& source, Use use) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    throw OutputError("cannot read " + shown(source) + ": " + std::strerror(errno));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{in};
  std::array<char, 1 << 16> buffer{};
  while (true) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      throw OutputError("cannot read " + shown(source) + ": " + std::strerror(errno));
    }
    if (n == 0) break;
    use(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The files that the toolkit's runs find by their names alone, in the
// directory where they look.
struct FixedName {
  const char* name;
  const char* kind;
  const char* reader;
};
constexpr std::array<FixedName, 2> FIXED_NAMES = {{
    {driver::COEFFICIENT_FILE_NAME, "coefficient file", "karven reads"},
    {driver::CURVE_FILE_NAME, "curve file", "karven writes and the companions read"},
}};

}  // namespace

HeldSignals::HeldSignals() {
  sigemptyset(&held_);
  for (const int signal : ENDING_SIGNALS) sigaddset(&held_, signal);
  sigprocmask(SIG_BLOCK, &held_, &saved_);
}

// Lets a held signal take effect: by default it ends the program here.
HeldSignals::~HeldSignals() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

bool HeldSignals::any_pending() const {
  sigset_t pending;
  sigpending(&pending);
  for (const int signal : ENDING_SIGNALS) {
    if (sigismember(&pending, signal) == 1) return true;
  }
  return false;
}

void OutputGuard::add_input(const std::filesystem::path& path, std::string kind) {
  if (const std::optional<struct stat> status = status_of(path)) {
    inputs_.push_back({status->st_dev, status->st_ino, path, std::move(kind)});
  }
}

void OutputGuard::check(const std::filesystem::path& output, std::string_view what) const {
  if (is_standard_output(output)) return;
  const std::string named = "the " + std::string(what) + " " + shown(output);
  const std::optional<struct stat> status = status_of(output);
  if (status && !S_ISREG(status->st_mode)) {
    throw OutputError(named + " is " + std::string(curve::file_kind(status->st_mode)) +
                      ", not a regular file; it is left as it is");
  }
  if (status) {
    for (const Input& input : inputs_) {
      if (status->st_dev == input.device && status->st_ino == input.inode) {
        throw OutputError(named + " would replace the " + input.kind + " " + shown(input.path));
      }
    }
  }
  const std::filesystem::path folder =
      output.has_parent_path() ? output.parent_path() : std::filesystem::path(".");
  for (const FixedName& fixed : FIXED_NAMES) {
    if (curve_file_allowed_ && std::string_view(fixed.name) == driver::CURVE_FILE_NAME) continue;
    if (output.filename() == fixed.name) {
      throw OutputError(named + " would take the place of the " + fixed.kind + " that " +
                        fixed.reader + " by that name");
    }
    const std::filesystem::path file = folder / fixed.name;
    const std::optional<struct stat> fixed_status = status_of(file);
    if (status && fixed_status && same_file(*status, *fixed_status)) {
      throw OutputError(named + " would replace the " + fixed.kind + " " + shown(file));
    }
  }
}

OutputFile::OutputFile(const OutputGuard& guard, std::filesystem::path destination,
                       std::string what)
    : guard_(guard), destination_(std::move(destination)), what_(std::move(what)) {
  if (is_standard_output(destination_)) {
    standard_output_ = true;
    return;
  }
  guard_.check(destination_, what_);
  const std::filesystem::path folder =
      destination_.has_parent_path() ? destination_.parent_path() : std::filesystem::path(".");
  // The folder is held open: the temporary file is made, renamed and
  // removed in it, wherever it is moved meanwhile.
  folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) fail(errno);
  std::string hidden_name = ".";
  hidden_name += destination_.filename().string().substr(0, NAME_KEPT);
  hidden_name += ".XXXXXX";
  const std::size_t unique_at = hidden_name.size() - 6;
  static constexpr std::string_view LETTERS =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; descriptor_ < 0; ++attempt) {
    for (std::size_t k = unique_at; k < hidden_name.size(); ++k) {
      hidden_name[k] = LETTERS[random() % LETTERS.size()];
    }
    descriptor_ =
        ::openat(folder_, hidden_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor_ < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error = errno;
      ::close(folder_);
      fail(error);
    }
  }
  temporary_name_ = hidden_name;
  temporary_ = folder / hidden_name;
}

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (standard_output_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  if (!temporary_name_.empty()) ::unlinkat(folder_, temporary_name_.c_str(), 0);
  if (folder_ >= 0) ::close(folder_);
}

void OutputFile::fail(int error) {
  const std::string named = standard_output_ ? "the " + what_ + " for standard output"
                                             : "the " + what_ + " " + shown(destination_);
  throw OutputError("cannot write " + named + ": " + std::strerror(error));
}

const std::filesystem::path& OutputFile::path() {
  if (standard_output_ && temporary_.empty()) {
    const char* folder = std::getenv("TMPDIR");
    std::string name =
        (folder && *folder ? std::string(folder) : std::string("/tmp")) + "/karven-output.XXXXXX";
    descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) fail(errno);
    temporary_ = name;
  }
  return temporary_;
}

void OutputFile::write(std::string_view bytes) {
  if (standard_output_ && descriptor_ < 0) {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return;
  }
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) fail(errno);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// The bytes already went to standard output, or lie in the temporary file
// that a writer filled by its name: they are copied there, and the file
// goes. A failed write is the run's to say, once (finish_output).
void OutputFile::commit_to_standard_output() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
    read_in_pieces(temporary_, [](std::string_view piece) {
      std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
  }
  std::cout.flush();
}

void OutputFile::commit() {
  if (standard_output_) {
    commit_to_standard_output();
    return;
  }
  // The file was made private; an output is read like any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(descriptor_, 0666 & ~mask) != 0 || ::fsync(descriptor_) != 0) fail(errno);
  const int closed = ::close(descriptor_);
  descriptor_ = -1;
  if (closed != 0) fail(errno);
  // What lies at the destination may have changed since the first check.
  guard_.check(destination_, what_);
  if (::renameat(folder_, temporary_name_.c_str(), folder_, destination_.filename().c_str()) != 0) {
    fail(errno);
  }
  temporary_name_.clear();
}

std::string file_name_part(std::string_view name) {
  std::string part;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    part += plain ? c : '_';
  }
  if (part.empty() || part == "." || part == "..") part = "_" + part;
  return part;
}

bool same_output(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (is_standard_output(a) || is_standard_output(b)) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a).lexically_normal() ==
         std::filesystem::absolute(b).lexically_normal();
}

std::string with_name(std::string_view pattern, std::string_view name) {
  std::string path(pattern);
  const std::string part = file_name_part(name);
  for (std::size_t at = path.find(NAME_PLACEHOLDER); at != std::string::npos;
       at = path.find(NAME_PLACEHOLDER, at + part.size())) {
    path.replace(at, NAME_PLACEHOLDER.size(), part);
  }
  return path;
}

void write_output(const OutputGuard& guard, const std::filesystem::path& output,
                  std::string_view what, std::string_view text) {
  OutputFile file(guard, output, std::string(what));
  file.write(text);
  file.commit();
}

void copy_output(const OutputGuard& guard, const std::filesystem::path& source,
                 const std::filesystem::path& output, std::string_view what) {
  OutputFile file(guard, output, std::string(what));
  read_in_pieces(source, [&file](std::string_view piece) { file.write(piece); });
  file.commit();
}

void check_pattern_folder(std::string_view pattern, std::string_view option) {
  // The folders before the first one whose name holds the placeholder.
  std::filesystem::path folder;
  const std::filesystem::path whole{std::string(pattern)};
  for (const std::filesystem::path& part : whole.parent_path()) {
    if (part.native().find(NAME_PLACEHOLDER) != std::string::npos) break;
    folder /= part;
  }
  if (folder.empty()) return;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(folder, ec);
  if (std::filesystem::is_directory(status)) return;
  throw OutputError(std::string(option) + " " + console::shown_text(pattern) + ": " +
                    (std::filesystem::exists(status)
                         ? shown(folder) + " is not a folder"
                         : "the folder " + shown(folder) + " does not exist"));
}

}  // namespace companion
