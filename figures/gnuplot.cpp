#include "figures/gnuplot.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <system_error>
#include <vector>

#include "console/fields.hpp"
#include "console/numbers.hpp"

namespace figures {

namespace {

// The script's name inside the private directory; the data files have the
// names their job gives them.
constexpr const char* SCRIPT_NAME = "figure.gp";

}  // namespace

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
              shown(900),
              "sans,14",
              "sans,17",
              "2",
              0.0093};
    case FigureFormat::pdf: {
      const std::string height = console::shortest_text(std::round(600.0 * aspect) / 100.0);
      return {"set terminal pdfcairo size 6in," + height +
                  "in font 'sans,10' noenhanced background rgb 'white'",
              "6 x " + height + " inches",
              "sans,10",
              "sans,12",
              "2.5",
              0.009};
    }
    case FigureFormat::png:
      break;
  }
  return {"set terminal pngcairo size " + pixels(1200) +
              " font 'sans,18' noenhanced background rgb 'white'",
          shown(1200),
          "sans,18",
          "sans,22",
          "2.5",
          0.0117};
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
    throw FigureError(e.what());
  }
  const std::optional<std::filesystem::path> gnuplot =
      find_program("gnuplot", program_search_path());
  if (!gnuplot) {
    throw FigureError("gnuplot is not installed (no gnuplot on PATH); install it with: " +
                      std::string(GNUPLOT_INSTALL_COMMAND));
  }

  const companion::HeldSignals signals;
  const PrivateDirectory directory("figure");
  const std::string figure_name = figure_file_name(format);
  for (const GnuplotJob::DataFile& data : job.data_files) {
    write_text(directory.path() / data.name, data.text);
  }
  write_text(directory.path() / SCRIPT_NAME, job.script);

  // gnuplot's own settings files are not read (-d).
  const std::vector<std::string> arguments = {"gnuplot", "-d", SCRIPT_NAME};
  const ProgramRun run = run_program(*gnuplot, arguments, directory.path(), signals);
  if (signals.any_pending()) throw FigureError("interrupted");
  if (const std::optional<std::string> failure = run_failure("gnuplot", run)) {
    throw FigureError(*failure);
  }
  const std::filesystem::path figure = directory.path() / figure_name;
  std::error_code ec;
  if (std::filesystem::file_size(figure, ec) == 0 || ec) {
    const std::string message = tidy_message(run.output);
    throw FigureError("gnuplot failed: it wrote no figure" +
                      (message.empty() ? "" : ":" + message));
  }
  try {
    companion::copy_output(guard, figure, destination, "figure");
  } catch (const companion::OutputError& e) {
    throw FigureError(e.what());
  }
}

}  // namespace figures
