// The outputs of the companions (figures, density files, exports, and
// whatever later commands write): the checks that keep an output off the
// run's inputs, off the files the toolkit reads by their fixed names and
// off anything that is not a regular file, and the writing of an output
// through a temporary file beside it, renamed into place once complete, so
// that a failed run or a full disk leaves an earlier file as it was. An
// output named "-" is standard output, as the command-line tools take it.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace companion {

/// The name that stands for standard output where an output's name is
/// given; a file of that name is "./-".
inline constexpr std::string_view STANDARD_OUTPUT = "-";

/// Whether an output's name is STANDARD_OUTPUT.
inline bool is_standard_output(const std::filesystem::path& output) {
  return output.native() == STANDARD_OUTPUT;
}

/// An output is refused or cannot be written; the message names it (as
/// console::shown_text shows a name) and says why.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The signals that end a run at a terminal or at a shutdown (SIGINT,
/// SIGTERM, SIGHUP, SIGQUIT), held while the object lives, so that a
/// temporary file or folder made meanwhile is removed before a held signal
/// takes effect, once the object goes. Objects nest.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

  /// The signal mask from before, for a child process to restore.
  const sigset_t& saved() const { return saved_; }

  /// The signals held.
  const sigset_t& held() const { return held_; }

  /// Whether one of the signals arrived and waits.
  bool any_pending() const;

 private:
  sigset_t held_{};
  sigset_t saved_{};
};

/// The files a run reads, known by identity (device and inode: a link or
/// another spelling of a path is the same file), and the check that every
/// output of the run goes through before it is written and again before
/// it is renamed into place.
class OutputGuard {
 public:
  /// Notes a file the run reads. A path that names no file is left out:
  /// the run fails on it before it writes anything.
  ///
  /// @param[in] path  as the user gave it, for the messages
  /// @param[in] kind  what it is, for the messages: "curve file"
  void add_input(const std::filesystem::path& path, std::string kind);

  /// Checks that an output may be written at a path.
  ///
  /// @param[in] output  the output's path
  /// @param[in] what    what it is, for the messages: "figure"
  /// @throws OutputError when the path is a file that is not a regular
  ///         file ("the figure out.png is a FIFO, not a regular file; it
  ///         is left as it is"), when it is one of the inputs ("the figure
  ///         curve.dat would replace the curve file curve.dat"), or when it
  ///         is or would take the place of a file that the toolkit reads by
  ///         its fixed name in the output's directory, KARVEN_coeff.inp or
  ///         psvc_karven.eu.26.dat ("the density file KARVEN_coeff.inp would
  ///         take the place of the coefficient file that karven reads by
  ///         that name"). A symbolic link is judged by the file it leads
  ///         to, and the output replaces the link itself. Standard output
  ///         ("-") is always let through.
  void check(const std::filesystem::path& output, std::string_view what) const;

  /// Lets the outputs be named psvc_karven.eu.26.dat, or be the file of
  /// that name in their directory: for a run that writes curve files as
  /// karven writes them (karven-export --format dat), where that name is
  /// the point and not a mistake. The coefficient file's name stays
  /// refused, and so do the inputs and what is not a regular file.
  void allow_curve_file_name() { curve_file_allowed_ = true; }

 private:
  struct Input {
    dev_t device;
    ino_t inode;
    std::filesystem::path path;
    std::string kind;
  };
  std::vector<Input> inputs_;
  bool curve_file_allowed_ = false;
};

/// An output being written: checked by the guard, then written to a new
/// temporary file beside the destination (".NAME.XXXXXX" in its
/// directory), which commit() flushes to the disk and renames over the
/// destination after checking it again. The temporary file is removed when
/// the object goes without a commit. The directory is held open while the
/// object lives, and the file is made, renamed and removed through it: a
/// directory moved or renamed meanwhile keeps no temporary file; the signals that end a run are
/// held while it exists. The file is made readable as any new file is (0666 less the umask).
///
/// An output named "-" goes to standard output (std::cout) as it is
/// written, with no temporary file, and commit() flushes it; a write that
/// fails there is said once at the run's end (finish_output). Only a writer
/// that needs a file by its name (path()) gets a temporary file, under
/// TMPDIR (or /tmp), copied to standard output by commit() and removed.
class OutputFile {
 public:
  /// @throws OutputError when the guard refuses the destination or the
  ///         temporary file cannot be made
  OutputFile(const OutputGuard& guard, std::filesystem::path destination, std::string what);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// @throws OutputError when the bytes cannot be written (a full disk)
  void write(std::string_view bytes);

  /// The temporary file, for a writer that opens it by its name (a
  /// library that writes a file format of its own); it must leave the
  /// file in place for commit(). For standard output the file is made
  /// here, at the first call.
  ///
  /// @throws OutputError when that file cannot be made
  const std::filesystem::path& path();

  /// @throws OutputError when the file cannot be completed or renamed, or
  ///         the guard now refuses the destination; the destination is
  ///         then left as it was
  void commit();

 private:
  [[noreturn]] void fail(int error);
  void commit_to_standard_output();

  const OutputGuard& guard_;
  std::filesystem::path destination_;
  std::string what_;
  HeldSignals signals_;
  int folder_ = -1;             // the destination's folder, held open (O_PATH)
  std::string temporary_name_;  // in that folder; empty once renamed
  std::filesystem::path temporary_;
  int descriptor_ = -1;
  bool standard_output_ = false;  // "-": the bytes go to std::cout
};

/// The placeholder of an output's name pattern ("dating_{name}.png"),
/// replaced by each sample's or site's name.
inline constexpr std::string_view NAME_PLACEHOLDER = "{name}";

/// A name (a sample's, a site's) as a part of a file name: letters,
/// digits, '.', '-' and '_' stay, any other byte becomes '_', so that no
/// name can lead into another folder; an empty name, "." and ".." get a
/// '_' before them.
std::string file_name_part(std::string_view name);

/// A name pattern with every NAME_PLACEHOLDER replaced by
/// file_name_part(name).
std::string with_name(std::string_view pattern, std::string_view name);

/// Whether two outputs of one run (or their name patterns) name one file:
/// the same path once made absolute and normal, or the same existing file.
/// Standard output is no file: it is never the same output as one (see
/// companion::check_one_standard_output for two outputs to it).
bool same_output(const std::filesystem::path& a, const std::filesystem::path& b);

/// Checks before a run computes anything that the folder of an output's
/// name pattern ("curves/{name}") exists: the pattern's folders up to the
/// first that holds the placeholder, which every file of the pattern lies
/// in. A pattern in the current folder needs no check.
///
/// @param[in] pattern  the name pattern, as given
/// @param[in] option   the option that gives it, for the message: "--output"
/// @throws OutputError "--output curves/{name}: the folder curves does not
///         exist", or "--output notes.txt/{name}: notes.txt is not a folder"
void check_pattern_folder(std::string_view pattern, std::string_view option);

/// Writes a whole text as an output through an OutputFile.
///
/// @throws OutputError when the output is refused or cannot be written;
///         an earlier file of that name is then left as it was
void write_output(const OutputGuard& guard, const std::filesystem::path& output,
                  std::string_view what, std::string_view text);

/// Copies a finished file (a figure drawn in a private folder) as an
/// output through an OutputFile.
///
/// @throws OutputError as write_output, or when the source cannot be read
void copy_output(const OutputGuard& guard, const std::filesystem::path& source,
                 const std::filesystem::path& output, std::string_view what);

}  // namespace companion
