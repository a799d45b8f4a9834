// A run of the built program that the test talks to while it runs: its
// answers come through a pipe, its console is read as it is written, and
// it can be sent a signal at a prompt.
#pragma once

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <string>
#include <string_view>

namespace driver_test {

/// How a program ended.
struct Ending {
  int exit_status = -1;  // -1 when a signal ended it
  int signal = 0;        // the signal that ended it, or 0
};

class LiveProgram {
 public:
  /// Starts the program in the current directory with standard error
  /// going to `err_path`.
  LiveProgram(const std::string& program, const std::string& err_path) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      // The program gets the dispositions a shell gives a foreground job,
      // and no core file when a signal stops it.
      for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE}) (void)std::signal(s, SIG_DFL);
      const rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 ||
          freopen(err_path.c_str(), "w", stderr) == nullptr) {
        _exit(127);
      }
      close(in[0]);
      close(in[1]);
      close(out[0]);
      close(out[1]);
      alarm(60);  // a program that hangs fails the test instead of the suite
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~LiveProgram() {
    if (input_ >= 0) close(input_);
    if (output_ >= 0) close(output_);
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  LiveProgram(const LiveProgram&) = delete;
  LiveProgram& operator=(const LiveProgram&) = delete;

  /// Reads the console until it ends with `text` (a prompt); false when
  /// it does not within ten seconds.
  bool wait_for(std::string_view text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::string_view(console_).ends_with(text)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{output_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(output_, buffer, sizeof buffer);
      if (n <= 0) return false;
      console_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  /// Types an answer.
  void type(std::string_view text) {
    if (write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      throw std::runtime_error("cannot write to the program");
    }
  }

  void send(int signal_number) { kill(pid_, signal_number); }

  /// Closes the input, reads the rest of the console and waits for the end.
  Ending finish() {
    close(input_);
    input_ = -1;
    char buffer[4096];
    for (ssize_t n; (n = read(output_, buffer, sizeof buffer)) > 0;) {
      console_.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    ended_ = true;
    Ending ending;
    if (WIFEXITED(status)) ending.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
    return ending;
  }

  /// What the program has written on its console so far.
  const std::string& console() const { return console_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  bool ended_ = false;
  std::string console_;
};

}  // namespace driver_test
