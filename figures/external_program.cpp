#include "figures/external_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
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

#include "console/numbers.hpp"

extern char** environ;

namespace figures {

namespace {

// Most of a program's messages that a report quotes.
constexpr std::size_t MAX_MESSAGE_BYTES = 8192;

std::string error_text(int error) { return std::strerror(error); }

// The name of a "NAME=value" entry, with its '='.
std::string_view variable_name(std::string_view entry) {
  const std::size_t equals = entry.find('=');
  return equals == std::string_view::npos ? entry : entry.substr(0, equals + 1);
}

// How long a program asked to end may take before it is killed.
constexpr int GRACE_MILLISECONDS = 2000;
// How often a program whose output has ended is looked at until it ends.
constexpr int EXIT_POLL_MILLISECONDS = 20;

// Closes a descriptor when it goes.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

// Whether the process has ended; then its status is in wait_status.
bool reaped(pid_t pid, int& wait_status) {
  while (true) {
    const pid_t done = waitpid(pid, &wait_status, WNOHANG);
    if (done == pid) return true;
    if (done == 0) return false;
    if (errno != EINTR) return true;  // not a child any more: nothing to wait for
  }
}

// Ends a program and whatever it started (its process group): asked
// first, killed when it does not end within the grace period.
void end_program(pid_t pid) {
  kill(-pid, SIGTERM);
  kill(pid, SIGCONT);  // a stopped program cannot end
  int wait_status = 0;
  for (int waited = 0; waited < GRACE_MILLISECONDS; waited += EXIT_POLL_MILLISECONDS) {
    if (reaped(pid, wait_status)) {
      kill(-pid, SIGKILL);  // what it started and left behind
      return;
    }
    poll(nullptr, 0, EXIT_POLL_MILLISECONDS);
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
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
    // A relative entry names a folder by the current directory.
    if (folder.empty() || folder.front() != '/') continue;
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

PrivateDirectory::PrivateDirectory(std::string_view purpose) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string base = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
  std::string pattern = base + "/karven-" + std::string(purpose) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw FigureError("cannot make a working directory in " + console::shown_text(base) + ": " +
                      error_text(errno));
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
  if (!out) {
    throw FigureError("cannot write " + console::shown_text(path.string()) + ": " +
                      error_text(errno));
  }
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
                       const std::filesystem::path& directory,
                       const companion::HeldSignals& signals,
                       std::span<const std::string> environment) {
  const std::string name = program.filename().string();
  std::array<int, 2> pipe_ends{};
  if (pipe2(pipe_ends.data(), O_CLOEXEC) != 0) {
    throw FigureError("cannot start " + name + ": " + error_text(errno));
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
  // The held signals, watched while the program runs.
  const Descriptor signal_watch{signalfd(-1, &signals.held(), SFD_CLOEXEC | SFD_NONBLOCK)};
  if (signal_watch.fd < 0) {
    const int error = errno;
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    throw FigureError("cannot start " + name + ": " + error_text(error));
  }

  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    throw FigureError("cannot start " + name + ": " + error_text(error));
  }
  if (pid == 0) {
    // A group of its own, so that it and what it starts can be ended together.
    setpgid(0, 0);
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
  setpgid(pid, pid);
  close(pipe_ends[1]);
  const Descriptor output{pipe_ends[0]};

  // The output is read until it ends and the program until it ends, unless
  // a held signal comes first: the program is then ended.
  ProgramRun run;
  std::array<char, 4096> buffer{};
  bool reading = true;
  while (true) {
    if (!reading && reaped(pid, run.wait_status)) break;
    std::array<pollfd, 2> watched = {{{signal_watch.fd, POLLIN, 0}, {output.fd, POLLIN, 0}}};
    const int ready = poll(watched.data(), reading ? 2 : 1, reading ? -1 : EXIT_POLL_MILLISECONDS);
    if (ready < 0 && errno != EINTR) {
      const int error = errno;
      end_program(pid);
      throw FigureError("cannot wait for " + name + ": " + error_text(error));
    }
    if (signals.any_pending()) {
      end_program(pid);
      throw Interrupted("interrupted while " + name + " ran");
    }
    if (!reading || ready <= 0 || watched[1].revents == 0) continue;
    const ssize_t n = read(output.fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      reading = false;
      continue;
    }
    const std::size_t room = MAX_MESSAGE_BYTES - std::min(run.output.size(), MAX_MESSAGE_BYTES);
    run.output.append(buffer.data(), std::min(room, static_cast<std::size_t>(n)));
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

}  // namespace figures
