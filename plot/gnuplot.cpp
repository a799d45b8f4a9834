#include "plot/gnuplot.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "companion/output_file.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace plot {

namespace {

// The script's name inside the private directory; the data files have the
// names their job gives them.
constexpr const char* SCRIPT_NAME = "figure.gp";

// Most of gnuplot's messages that a report quotes.
constexpr std::size_t MAX_MESSAGE_BYTES = 8192;

std::string error_text(int error) { return std::strerror(error); }

// A fresh directory that only this user can enter, removed with all it
// holds when the object goes.
class PrivateDirectory {
 public:
  PrivateDirectory() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
    std::string pattern = base + "/karven-figure-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      throw PlotError("cannot make a working directory in " + console::shown_text(base) + ": " +
                      error_text(errno));
    }
    path_ = pattern;
  }
  ~PrivateDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void write_text(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    throw PlotError("cannot write " + console::shown_text(path.string()) + ": " +
                    error_text(errno));
  }
}

// gnuplot's own words, with control characters but the line ends shown as
// '?', blank lines and trailing blanks dropped.
std::string tidy_message(const std::string& output) {
  std::string message;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
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

struct GnuplotRun {
  int wait_status = 0;
  std::string output;  // standard output and standard error together
};

// Runs gnuplot on the script in the directory, with no shell: the program's
// path and its arguments go to execv as they are. Its own settings files
// are not read (-d), its standard input is empty.
GnuplotRun run_gnuplot(const std::filesystem::path& gnuplot, const std::filesystem::path& directory,
                       const companion::HeldSignals& signals) {
  std::array<int, 2> pipe_ends{};
  if (pipe2(pipe_ends.data(), O_CLOEXEC) != 0) {
    throw PlotError("cannot start gnuplot: " + error_text(errno));
  }
  // Everything the child needs is made before the fork.
  const std::string program = gnuplot.string();
  const std::string where = directory.string();
  std::string arg0 = "gnuplot", arg1 = "-d", arg2 = SCRIPT_NAME;
  std::array<char*, 4> argv = {arg0.data(), arg1.data(), arg2.data(), nullptr};
  const std::string exec_failed = "cannot run " + program + ": ";

  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    throw PlotError("cannot start gnuplot: " + error_text(error));
  }
  if (pid == 0) {
    sigprocmask(SIG_SETMASK, &signals.saved(), nullptr);
    const int null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (chdir(where.c_str()) == 0 && null_input >= 0 && dup2(null_input, 0) == 0 &&
        dup2(pipe_ends[1], 1) == 1 && dup2(pipe_ends[1], 2) == 2) {
      execv(program.c_str(), argv.data());
    }
    const int error = errno;
    const char* reason = std::strerror(error);
    [[maybe_unused]] ssize_t ignored = write(pipe_ends[1], exec_failed.data(), exec_failed.size());
    ignored = write(pipe_ends[1], reason, std::strlen(reason));
    _exit(127);
  }
  close(pipe_ends[1]);

  GnuplotRun run;
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
    if (errno != EINTR) throw PlotError("cannot wait for gnuplot: " + error_text(errno));
  }
  return run;
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

std::string_view format_name(FigureFormat format) {
  switch (format) {
    case FigureFormat::svg:
      return "svg";
    case FigureFormat::pdf:
      return "pdf";
    case FigureFormat::png:
      break;
  }
  return "png";
}

std::optional<FigureFormat> format_from_name(std::string_view name) {
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c; });
  for (const FigureFormat format : {FigureFormat::png, FigureFormat::svg, FigureFormat::pdf}) {
    if (lower == format_name(format)) return format;
  }
  return std::nullopt;
}

std::optional<FigureFormat> format_of_file(const std::filesystem::path& figure) {
  if (!figure.has_extension()) return std::nullopt;
  return format_from_name(figure.extension().string());
}

std::string site_text(double latitude, double longitude) {
  // The hemisphere follows the value as the file shows it, so that -0.001,
  // shown as -.00, is not called south.
  const auto coordinate = [](double value, char positive, char negative) {
    const std::string digits = console::fixed_text(std::fabs(value), 2);
    const bool shown_negative = value < 0.0 && digits != "0.00";
    return digits + ' ' + (shown_negative ? negative : positive);
  };
  return coordinate(latitude, 'N', 'S') + ", " + coordinate(longitude, 'E', 'W');
}


std::string gnuplot_string(std::string_view text) {
  // Neither a quote nor a line break ever stands inside a single-quoted
  // piece: gnuplot reads '' at the start of a string as an empty string,
  // not as a quote, so a quote is joined in as "'" too.
  std::string expression = "'";
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    for (const char c :
         console::escaped_text(text.substr(start, end - start), console::Kept::utf8)) {
      if (c == '\'') {
        expression += "'.\"'\".'";
      } else {
        expression += c;
      }
    }
    if (end == text.size()) break;
    expression += "'.\"\\n\".'";
    start = end + 1;
  }
  return expression + "'";
}

FigureTerminal figure_terminal(FigureFormat format, double aspect) {
  const auto pixels = [aspect](int width) {
    return std::to_string(width) + "," + std::to_string(std::lround(width * aspect));
  };
  const auto shown = [aspect](int width) {
    return std::to_string(width) + " x " + std::to_string(std::lround(width * aspect)) + " pixels";
  };
  switch (format) {
    case FigureFormat::svg:
      return {"set terminal svg size " + pixels(900) +
                  " font 'sans,14' noenhanced background rgb 'white'",
              shown(900), "sans,14", "sans,17", "2"};
    case FigureFormat::pdf: {
      const std::string height = console::shortest_text(std::round(600.0 * aspect) / 100.0);
      return {"set terminal pdfcairo size 6in," + height +
                  "in font 'sans,10' noenhanced background rgb 'white'",
              "6 x " + height + " inches", "sans,10", "sans,12", "2.5"};
    }
    case FigureFormat::png:
      break;
  }
  return {"set terminal pngcairo size " + pixels(1200) +
              " font 'sans,18' noenhanced background rgb 'white'",
          shown(1200), "sans,18", "sans,22", "2.5"};
}

std::string figure_file_name(FigureFormat format) {
  return "figure." + std::string(format_name(format));
}

void run_gnuplot_job(const GnuplotJob& job, FigureFormat format,
                     const companion::OutputGuard& guard,
                     const std::filesystem::path& destination) {
  // Refused before gnuplot spends its time on a figure that cannot be kept.
  try {
    guard.check(destination, "figure");
  } catch (const companion::OutputError& e) {
    throw PlotError(e.what());
  }
  const char* path_variable = std::getenv("PATH");
  std::string search_path;
  if (path_variable != nullptr) {
    search_path = path_variable;
  } else {
    // No PATH at all: the system's default list, as execvp would search.
    search_path.resize(confstr(_CS_PATH, nullptr, 0));
    confstr(_CS_PATH, search_path.data(), search_path.size());
    search_path.resize(std::strlen(search_path.c_str()));
  }
  const std::optional<std::filesystem::path> gnuplot = find_program("gnuplot", search_path);
  if (!gnuplot) {
    throw PlotError("gnuplot is not installed (no gnuplot on PATH); install it with: " +
                    std::string(GNUPLOT_INSTALL_COMMAND));
  }

  const companion::HeldSignals signals;
  const PrivateDirectory directory;
  const std::string figure_name = figure_file_name(format);
  for (const GnuplotJob::DataFile& data : job.data_files) {
    write_text(directory.path() / data.name, data.text);
  }
  write_text(directory.path() / SCRIPT_NAME, job.script);

  const GnuplotRun run = run_gnuplot(*gnuplot, directory.path(), signals);
  if (signals.any_pending()) throw PlotError("interrupted");
  const std::string message = tidy_message(run.output);
  if (WIFSIGNALED(run.wait_status)) {
    throw PlotError("gnuplot failed (ended by signal " + std::to_string(WTERMSIG(run.wait_status)) +
                    ")" + (message.empty() ? "" : ":" + message));
  }
  const int status = WIFEXITED(run.wait_status) ? WEXITSTATUS(run.wait_status) : -1;
  if (status != 0) {
    throw PlotError("gnuplot failed (exit status " + std::to_string(status) + ")" +
                    (message.empty() ? "" : ":" + message));
  }
  const std::filesystem::path figure = directory.path() / figure_name;
  std::error_code ec;
  if (std::filesystem::file_size(figure, ec) == 0 || ec) {
    throw PlotError("gnuplot failed: it wrote no figure" + (message.empty() ? "" : ":" + message));
  }
  try {
    companion::copy_output(guard, figure, destination, "figure");
  } catch (const companion::OutputError& e) {
    throw PlotError(e.what());
  }
}

}  // namespace plot
