#include "driver/curve_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "console/fields.hpp"

namespace driver {

namespace {

// The run's temporary file. Plain characters and flags only, so that a
// signal handler may read the record at any moment: it is constant-
// initialized and holds nothing that a constructor must set up.
struct CurveFile {
  std::FILE* file = nullptr;
  int descriptor = -1;
  char temporary[64] = {};  // the temporary file's name
  // The temporary file exists and is to be removed if the run stops.
  volatile std::sig_atomic_t pending = 0;
};

CurveFile& curve() {
  static CurveFile record;
  return record;
}

#ifdef _WIN32
constexpr int STOPPING_SIGNALS[] = {SIGINT, SIGTERM, SIGBREAK, SIGABRT};
int process_id() { return _getpid(); }
int create_exclusive(const char* name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int remove_file(const char* name) { return _unlink(name); }
int close_descriptor(int fd) { return _close(fd); }
bool writable_if_present(const char* name) { return _access(name, 2) == 0 || errno != EACCES; }
void write_all(int fd, std::string_view text) {
  (void)_write(fd, text.data(), static_cast<unsigned>(text.size()));
}
std::FILE* open_stream(int fd) { return _fdopen(fd, "wb"); }

// Windows has no masks of signals; a signal in the few instructions
// between creating the file and recording it is not guarded against.
class SignalsHeld {};
#else
constexpr int STOPPING_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ, SIGABRT};
int process_id() { return static_cast<int>(getpid()); }
int create_exclusive(const char* name) {
  // The mode of a file that fopen creates: what the umask leaves of 0666.
  return open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
int remove_file(const char* name) { return unlink(name); }
int close_descriptor(int fd) { return close(fd); }
bool writable_if_present(const char* name) { return access(name, W_OK) == 0 || errno != EACCES; }
void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n <= 0 && errno != EINTR) return;
    if (n > 0) text.remove_prefix(static_cast<std::size_t>(n));
  }
}
std::FILE* open_stream(int fd) { return fdopen(fd, "wb"); }

// Holds back the stopping signals while the temporary file comes into
// being or leaves under its name, so that the handler finds the record and
// the disk in agreement.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : STOPPING_SIGNALS) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};
#endif

std::string_view stop_message(int signal_number) {
  switch (signal_number) {
    case SIGINT:
      return "karven: interrupted; no curve file was written\n";
    case SIGTERM:
      return "karven: terminated; no curve file was written\n";
    case SIGABRT:
      return "karven: aborted; no curve file was written\n";
#ifndef _WIN32
    case SIGHUP:
      return "karven: the terminal hung up; no curve file was written\n";
    case SIGQUIT:
      return "karven: quit; no curve file was written\n";
    case SIGPIPE:
      return "karven: standard output was closed; no curve file was written\n";
    case SIGXFSZ:
      return "karven: the curve file outgrew the file size limit; no curve file was written\n";
#endif
    default:
      return "karven: stopped by a signal; no curve file was written\n";
  }
}

void stop_on_signal(int signal_number) {
  CurveFile& record = curve();
  if (record.pending != 0) {
    record.pending = 0;
#ifdef _WIN32
    (void)close_descriptor(record.descriptor);  // Windows removes no open file
#endif
    (void)remove_file(record.temporary);
#ifdef SIGPIPE
    const bool console_writable = signal_number != SIGPIPE;
#else
    const bool console_writable = true;
#endif
    // As for every report: a console line left open is ended first.
    if (console_writable && !console::console_cursor().at_line_start) write_all(1, "\n");
    write_all(2, stop_message(signal_number));
  }
  // Stopped as the signal stops a program that does not catch it.
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

void remove_temporary() {
  [[maybe_unused]] const SignalsHeld held;
  CurveFile& record = curve();
  if (record.pending != 0) {
    (void)remove_file(record.temporary);
    record.pending = 0;
  }
}

// Closes and removes the temporary file, leaving the curve file as it was.
void discard() {
  CurveFile& record = curve();
  if (record.file != nullptr) {
    (void)std::fclose(record.file);  // nothing of it is kept
  } else if (record.descriptor >= 0) {
    (void)close_descriptor(record.descriptor);  // created, but no stream made of it
  }
  record.file = nullptr;
  record.descriptor = -1;
  remove_temporary();
}

[[noreturn]] void fail(const char* action, const std::string& reason) {
  discard();
  throw CurveFileError(std::string("cannot ") + action + " the curve file " + CURVE_FILE_NAME +
                       ": " + reason);
}

// A curve file that exists must be one the run may replace: a regular
// file (or a link to one) that the user may write, as when the file was
// rewritten in place. A directory, a device or a pipe is never replaced.
void check_curve_file_is_replaceable() {
  std::error_code error;
  const auto status = std::filesystem::status(CURVE_FILE_NAME, error);
  if (status.type() == std::filesystem::file_type::directory) fail("create", std::strerror(EISDIR));
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    fail("create", "it exists and is not a regular file");
  }
  errno = 0;
  if (!writable_if_present(CURVE_FILE_NAME)) fail("create", std::strerror(EACCES));
}

// Creates the temporary file beside the curve file under a name of this
// run's own: the curve file's name, the process number and a count.
void create_temporary() {
  CurveFile& record = curve();
  const std::string stem = std::string(CURVE_FILE_NAME) + "." + std::to_string(process_id());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = stem + "-" + std::to_string(attempt) + ".tmp";
    [[maybe_unused]] const SignalsHeld held;
    const int fd = create_exclusive(name.c_str());
    if (fd < 0) {
      if (errno == EEXIST) continue;  // left by an earlier run of the same number
      fail("create", std::strerror(errno));
    }
    (void)std::snprintf(record.temporary, sizeof record.temporary, "%s", name.c_str());
    record.descriptor = fd;
    record.pending = 1;
    return;
  }
  fail("create", std::strerror(EEXIST));
}

void write_line(std::string_view text) {
  std::FILE* file = curve().file;
  if (file == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
      std::fputc('\n', file) == EOF) {
    fail("write", std::strerror(errno));
  }
}

}  // namespace

void open_curve_file() {
  check_curve_file_is_replaceable();
  create_temporary();
  CurveFile& record = curve();
  // Binary: every line ends with LF on every system, no CR is added.
  record.file = open_stream(record.descriptor);
  if (record.file == nullptr) fail("create", std::strerror(errno));
  // One buffer holds the whole file.
  (void)std::setvbuf(record.file, nullptr, _IOFBF, 1 << 15);  // a smaller buffer would do as well

  for (const std::string_view line : TITLE_BLOCK) write_line(line);
}

std::string site_line(double latitude, double longitude) {
  return console::fixed_field(latitude, 15, 2) + console::fixed_field(longitude, 15, 2);
}

std::string curve_line(double year, double declination, double inclination, double intensity,
                       double declination_error, double inclination_error, double intensity_error) {
  using console::fixed_field;
  return fixed_field(year, 7, 0) + fixed_field(declination, 10, 2) +
         fixed_field(inclination, 10, 2) + fixed_field(intensity, 10, 2) +
         fixed_field(declination_error, 13, 2) + fixed_field(inclination_error, 11, 2) +
         fixed_field(intensity_error, 11, 2);
}

void write_site_block(double latitude, double longitude) {
  for (const std::string_view line : SITE_HEADING) write_line(line);
  write_line(site_line(latitude, longitude));
}

void write_curve_headings() {
  for (const std::string_view line : CURVE_HEADINGS) write_line(line);
}

void write_curve_line(double year, double declination, double inclination, double intensity,
                      double declination_error, double inclination_error, double intensity_error) {
  write_line(curve_line(year, declination, inclination, intensity, declination_error,
                        inclination_error, intensity_error));
}

void close_curve_file() {
  CurveFile& record = curve();
  std::FILE* file = record.file;
  if (file == nullptr) return;
  record.file = nullptr;
  record.descriptor = -1;
  // fclose reports a failed write of what was still buffered.
  const bool flushed = std::fflush(file) == 0;
  int error = errno;
  const bool closed = std::fclose(file) == 0;
  if (flushed && !closed) error = errno;
  if (!flushed || !closed) fail("write", std::strerror(error));

  // The rename replaces the curve file, or a link of that name, at once:
  // the name holds the earlier file or the whole new one, never a part.
  // (std::filesystem::rename replaces an existing file on Windows too.)
  std::error_code renamed;
  {
    [[maybe_unused]] const SignalsHeld held;
    std::filesystem::rename(record.temporary, CURVE_FILE_NAME, renamed);
    if (!renamed) record.pending = 0;
  }
  if (renamed) fail("create", renamed.message());
}

void discard_curve_file() { discard(); }

void discard_curve_file_on_signals() {
  for (const int s : STOPPING_SIGNALS) {
    // A signal ignored by whoever started the program stays ignored
    // (nohup, a test that lets a write fail instead of stopping the run).
    if (std::signal(s, stop_on_signal) == SIG_IGN) (void)std::signal(s, SIG_IGN);
  }
}

}  // namespace driver
