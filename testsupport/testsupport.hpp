// Helpers shared by the tests: captured console streams, fed input, a
// fresh working directory, and running the built program.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "testsupport/streams.hpp"

namespace testsupport {

/// A fresh, empty directory made current for the lifetime of the object,
/// since the program's file names are fixed and relative.
class ScopedWorkDir {
 public:
  ScopedWorkDir() : saved_(std::filesystem::current_path()) {
    std::string pattern = testing::TempDir() + "karven-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~ScopedWorkDir() {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedWorkDir(const ScopedWorkDir&) = delete;
  ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path saved_;
  std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

/// The lines of a text, without their line ends; a last line without a
/// line end counts too.
inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

inline std::vector<std::string> read_lines(const std::filesystem::path& path) {
  return split_lines(read_file(path));
}

/// The names of the entries of a folder, sorted: what a run left there.
inline std::vector<std::string> names_in(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

/// A fresh folder outside the working directory, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = testing::TempDir() + "karven-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// How to run a built program.
struct ProgramCall {
  std::string program;
  std::vector<std::string> arguments;
  std::string input;  // standard input
  std::map<std::string, std::string> changed_environment;
  std::string stdout_path;         // where standard output goes; empty: captured
  std::function<void()> in_child;  // runs in the child just before the program starts
};

/// What a run of a built program left behind.
struct ProgramRun {
  std::string out;  // standard output
  std::string err;  // standard error
  int status = -1;  // exit status; -1 when it did not exit normally
  int signal = 0;   // the signal that ended it; 0 when none did
};

/// Runs a program in the current directory and collects its output.
inline ProgramRun run_program(const ProgramCall& call) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : call.changed_environment) variables[name] = value;
  std::vector<std::string> environment;
  for (const auto& [name, value] : variables) environment.push_back(name + "=" + value);
  std::vector<std::string> argument_texts = {call.program};
  argument_texts.insert(argument_texts.end(), call.arguments.begin(), call.arguments.end());
  std::vector<char*> argv, envp;
  for (auto& text : argument_texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  for (auto& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);

  TempFolder capture;
  const std::filesystem::path in = capture.path() / "in", err = capture.path() / "err";
  const std::filesystem::path out =
      call.stdout_path.empty() ? capture.path() / "out" : std::filesystem::path(call.stdout_path);
  write_file(in, call.input);
  const pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(in.c_str(), "r", stdin) || !freopen(out.c_str(), "w", stdout) ||
        !freopen(err.c_str(), "w", stderr)) {
      _exit(127);
    }
    if (call.in_child) call.in_child();
    execve(call.program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ProgramRun run;
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  run.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
  if (call.stdout_path.empty()) run.out = read_file(out);
  run.err = read_file(err);
  return run;
}

/// A test that runs a built companion as a user would: in a working
/// directory of its own, with TMPDIR a folder of its own that the run must
/// leave empty, whatever happened (its temporary files all removed).
class CompanionRunTest : public testing::Test {
 protected:
  explicit CompanionRunTest(std::string program) : program_(std::move(program)) {}

  /// Runs the program with the arguments and the given variables changed.
  ProgramRun run(const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& changed = {}) {
    ProgramCall call;
    call.program = program_;
    call.arguments = arguments;
    call.changed_environment = changed;
    call.changed_environment.try_emplace("TMPDIR", tmpdir_.path().string());
    return run_program(call);
  }

  void TearDown() override { EXPECT_TRUE(std::filesystem::is_empty(tmpdir_.path())); }

  ScopedWorkDir work_;
  TempFolder tmpdir_;

 private:
  std::string program_;
};

/// Runs a program in the current directory with the given standard input.
inline ProgramRun run_program_binary(const std::string& program, const std::string& input) {
  ProgramCall call;
  call.program = program;
  call.input = input;
  return run_program(call);
}

}  // namespace testsupport
