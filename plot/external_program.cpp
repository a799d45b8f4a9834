#include "plot/external_program.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

extern char** environ;

namespace plot {

namespace {

// Most of a program's messages that a report quotes.
constexpr std::size_t MAX_MESSAGE_BYTES = 8192;

constexpr std::array<int, 4> HELD = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::string error_text(int error) { return std::strerror(error); }

// The name of a "NAME=value" entry, with its '='.
std::string_view variable_name(std::string_view entry) {
  const std::size_t equals = entry.find('=');
  return equals == std::string_view::npos ? entry : entry.substr(0, equals + 1);
}

// Copies a file to the destination through a new file beside it, renamed
// over the destination once complete, so that a failed copy leaves no
// half-written figure.
void copy_into_place(const std::filesystem::path& source,
                     const std::filesystem::path& destination) {
  const auto cannot_write = [&destination](int error) {
    return PlotError("cannot write the figure " + destination.string() + ": " + error_text(error));
  };
  const std::filesystem::path folder =
      destination.has_parent_path() ? destination.parent_path() : std::filesystem::path(".");
  std::string hidden_name = ".";
  hidden_name += destination.filename().string();
  hidden_name += ".XXXXXX";
  std::string pattern = (folder / hidden_name).string();
  const int out = mkstemp(pattern.data());
  if (out < 0) throw cannot_write(errno);
  const std::filesystem::path partial = pattern;
  const auto give_up = [&](int error) {
    close(out);
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    return cannot_write(error);
  };

  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) throw give_up(errno);
  std::array<char, 1 << 16> buffer{};
  while (true) {
    ssize_t n = read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(in);
      throw give_up(error);
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        const int error = errno;
        close(in);
        throw give_up(error);
      }
      done += w;
    }
  }
  close(in);
  // mkstemp makes the file private; a figure is read like any other file.
  const mode_t mask = umask(0);
  umask(mask);
  if (fchmod(out, 0666 & ~mask) != 0 || fsync(out) != 0) throw give_up(errno);
  if (close(out) != 0) {
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw cannot_write(error);
  }
  if (std::rename(partial.c_str(), destination.c_str()) != 0) {
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw cannot_write(error);
  }
}

}  // namespace

std::optional<std::filesystem::path> find_program(std::string_view program,
                                                  std::string_view search_path) {
  std::size_t start = 0;
  while (start <= search_path.size()) {
    std::size_t end = search_path.find(':', start);
    if (end == std::string_view::npos) end = search_path.size();
    const std::string_view folder = search_path.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    struct stat status {};
    if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return std::filesystem::absolute(candidate);
    }
  }
  return std::nullopt;
}

std::string program_search_path() {
  const char* path_variable = std::getenv("PATH");
  if (path_variable != nullptr) return path_variable;
  std::string search_path(confstr(_CS_PATH, nullptr, 0), '\0');
  confstr(_CS_PATH, search_path.data(), search_path.size());
  search_path.resize(std::strlen(search_path.c_str()));
  return search_path;
}

HeldSignals::HeldSignals() {
  sigemptyset(&held_);
  for (const int signal : HELD) sigaddset(&held_, signal);
  sigprocmask(SIG_BLOCK, &held_, &saved_);
}

HeldSignals::~HeldSignals() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

bool HeldSignals::any_pending() const {
  sigset_t pending;
  sigpending(&pending);
  return std::any_of(HELD.begin(), HELD.end(),
                     [&pending](int signal) { return sigismember(&pending, signal) == 1; });
}

PrivateDirectory::PrivateDirectory(std::string_view purpose) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string base = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
  std::string pattern = base + "/karven-" + std::string(purpose) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw PlotError("cannot make a working directory in " + base + ": " + error_text(errno));
  }
  path_ = pattern;
}

PrivateDirectory::~PrivateDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void write_text(const std::filesystem::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) throw PlotError("cannot write " + path.string() + ": " + error_text(errno));
}

std::string tidy_message(std::string_view output) {
  std::string message;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) end = output.size();
    std::string line(output.substr(start, end - start));
    start = end + 1;
    for (char& c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if ((byte < 0x20 && c != '\t') || byte == 0x7f) c = '?';
    }
    line.erase(line.find_last_not_of(" \t") + 1);
    if (line.empty()) continue;
    message += "\n  " + line;
  }
  return message;
}

ProgramRun run_program(const std::filesystem::path& program, std::span<const std::string> arguments,
                       const std::filesystem::path& directory, const HeldSignals& signals,
                       std::span<const std::string> environment) {
  const std::string name = program.filename().string();
  std::array<int, 2> pipe_ends{};
  if (pipe2(pipe_ends.data(), O_CLOEXEC) != 0) {
    throw PlotError("cannot start " + name + ": " + error_text(errno));
  }
  // Everything the child needs is made before the fork.
  const std::string path = program.string();
  const std::string where = directory.string();
  std::vector<std::string> argument_copies(arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argument_copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables(environment.begin(), environment.end());
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view inherited = *entry;
    const bool replaced =
        std::any_of(environment.begin(), environment.end(), [&inherited](const std::string& set) {
          return variable_name(set) == variable_name(inherited);
        });
    if (!replaced) variables.emplace_back(inherited);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  const std::string exec_failed = "cannot run " + path + ": ";

  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    throw PlotError("cannot start " + name + ": " + error_text(error));
  }
  if (pid == 0) {
    sigprocmask(SIG_SETMASK, &signals.saved(), nullptr);
    const int null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (chdir(where.c_str()) == 0 && null_input >= 0 && dup2(null_input, 0) == 0 &&
        dup2(pipe_ends[1], 1) == 1 && dup2(pipe_ends[1], 2) == 2) {
      execve(path.c_str(), argv.data(), envp.data());
    }
    const int error = errno;
    const char* reason = std::strerror(error);
    [[maybe_unused]] ssize_t ignored = write(pipe_ends[1], exec_failed.data(), exec_failed.size());
    ignored = write(pipe_ends[1], reason, std::strlen(reason));
    _exit(127);
  }
  close(pipe_ends[1]);

  ProgramRun run;
  std::array<char, 4096> buffer{};
  while (true) {
    const ssize_t n = read(pipe_ends[0], buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const std::size_t room = MAX_MESSAGE_BYTES - std::min(run.output.size(), MAX_MESSAGE_BYTES);
    run.output.append(buffer.data(), std::min(room, static_cast<std::size_t>(n)));
  }
  close(pipe_ends[0]);
  while (waitpid(pid, &run.wait_status, 0) < 0) {
    if (errno != EINTR) throw PlotError("cannot wait for " + name + ": " + error_text(errno));
  }
  return run;
}

std::optional<std::string> run_failure(std::string_view name, const ProgramRun& run) {
  const std::string message = tidy_message(run.output);
  const std::string said = message.empty() ? "" : ":" + message;
  if (WIFSIGNALED(run.wait_status)) {
    return std::string(name) + " failed (ended by signal " +
           std::to_string(WTERMSIG(run.wait_status)) + ")" + said;
  }
  const int status = WIFEXITED(run.wait_status) ? WEXITSTATUS(run.wait_status) : -1;
  if (status != 0) {
    return std::string(name) + " failed (exit status " + std::to_string(status) + ")" + said;
  }
  return std::nullopt;
}

void move_into_place(const std::filesystem::path& figure,
                     const std::filesystem::path& destination) {
  if (std::rename(figure.c_str(), destination.c_str()) == 0) return;
  if (errno != EXDEV) {
    throw PlotError("cannot write the figure " + destination.string() + ": " + error_text(errno));
  }
  copy_into_place(figure, destination);
}

}  // namespace plot
