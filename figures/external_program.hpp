// Running a drawing program (gnuplot, GMT) for a figure, as every companion
// does it: the program found on PATH but never in the current directory,
// started without a shell on an argument vector in a private working
// directory, on files written there under names of the companion's choice,
// with the signals that end a run held until that directory is gone: one
// that comes while the program runs ends the program, and the run.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "companion/output_file.hpp"

namespace figures {

/// The figure cannot be drawn or written: the drawing program is missing
/// or failed, or a file cannot be written. The message says why.
class FigureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A signal that ends a run came while a drawing program ran, and the
/// program was ended. The signal is still held: it ends this program once
/// the HeldSignals go, after the temporary files and folders are removed.
class Interrupted : public FigureError {
 public:
  using FigureError::FigureError;
};

/// Finds a program in a list of directories separated by colons, as the
/// PATH variable holds them: the first directory with an executable
/// regular file of that name. Empty and relative entries, which name
/// folders by the current directory, are skipped: a program that lies
/// beside a data file is never run by chance.
///
/// @param[in] program      the program's name, without a slash
/// @param[in] search_path  the directories, e.g. "/usr/local/bin:/usr/bin"
/// @return the program's absolute path, or nothing
std::optional<std::filesystem::path> find_program(std::string_view program,
                                                  std::string_view search_path);

/// The directories PATH names, or the system's default list when PATH is
/// not set (as execvp would search).
std::string program_search_path();

/// A fresh directory under TMPDIR (or /tmp) that only this user can enter,
/// removed with everything in it when the object goes.
class PrivateDirectory {
 public:
  /// @param[in] purpose  a word in the directory's name ("figure", "map")
  /// @throws FigureError when the directory cannot be made
  explicit PrivateDirectory(std::string_view purpose);
  ~PrivateDirectory();
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// Writes a whole file.
///
/// @throws FigureError when it cannot be written
void write_text(const std::filesystem::path& path, std::string_view text);

/// How a program ended and what it said.
struct ProgramRun {
  int wait_status = 0;  // as waitpid gives it
  std::string output;   // standard output and standard error together, at most 8 KiB
};

/// Runs a program in a directory and waits for it, with no shell: the path
/// and the arguments go to execve as they are. Its standard input is
/// empty; what it writes is collected. It runs in a process group of its
/// own; when one of the held signals comes meanwhile, that group is asked
/// to end (SIGTERM), killed after two seconds, and Interrupted is thrown.
///
/// @param[in] program      the program's absolute path
/// @param[in] arguments    its argument vector, the program's name first
/// @param[in] directory    its working directory
/// @param[in] signals      the signals held by the caller; the program
///                         gets the mask from before them
/// @param[in] environment  variables set for the program ("NAME=value"),
///                         over those of this process
/// @throws FigureError when the program cannot be started
/// @throws Interrupted when a held signal came while it ran
ProgramRun run_program(const std::filesystem::path& program, std::span<const std::string> arguments,
                       const std::filesystem::path& directory,
                       const companion::HeldSignals& signals,
                       std::span<const std::string> environment = {});

/// A program's own words for a message: each line indented on a line of
/// its own, control characters shown as '?', blank lines and trailing
/// blanks dropped.
std::string tidy_message(std::string_view output);

/// Says how a run failed, or nothing when it ended with status 0.
///
/// @param[in] name  the program as the message names it, e.g. "gnuplot"
/// @return e.g. "gnuplot failed (exit status 1):\n  line 3: ..."
std::optional<std::string> run_failure(std::string_view name, const ProgramRun& run);

}  // namespace figures
