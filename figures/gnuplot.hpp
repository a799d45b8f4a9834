// Figures drawn by gnuplot, shared by the companions: the figure formats,
// the quoting of text for a gnuplot script, and the run of gnuplot in a
// private working directory, started without a shell, on a script and data
// files written there, the figure moved to its destination.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "companion/output_file.hpp"
#include "figures/external_program.hpp"

namespace figures {

enum class FigureFormat { png, svg, pdf };

/// "png", "svg" or "pdf".
std::string_view format_name(FigureFormat format);

/// The format named by a word or a file extension, in any case, with or
/// without the leading point ("svg", ".PDF"); nothing for any other.
std::optional<FigureFormat> format_from_name(std::string_view name);

/// The format given by a figure's file name: its extension (.png, .svg or
/// .pdf, in any case); nothing for any other.
std::optional<FigureFormat> format_of_file(const std::filesystem::path& figure);

/// Any text as a gnuplot string expression that gnuplot takes as text and
/// nothing else: the one way every figure puts text into a script, be it
/// from a user, a file, a file name or the program itself.
///
/// The text is written in single quotes, where gnuplot substitutes
/// nothing: no backquoted command runs, no @ macro expands, no backslash
/// escapes. A quote and a line break of the text are joined in by gnuplot's
/// concatenation with the double-quoted constants "'" and "\n", which hold
/// no text of the caller's: 'it'."'".'s', 'first'."\n".'second'. What a
/// line cannot hold as it stands is shown as console::escaped_text shows
/// it (\xHH): control characters other than the line feed (a carriage
/// return or a NUL would end gnuplot's line) and bytes that are not
/// well-formed UTF-8, which the figure's fonts cannot draw. The expression
/// stands wherever gnuplot takes a string: a title, a label, a file name;
/// figures are drawn with the terminal's enhanced text off, so that no
/// character of it is markup either.
///
/// @param[in] text  any bytes; "\n" breaks a line of a title or a label
/// @return e.g. 'Kiln `touch x`; it'."'".'s' for Kiln `touch x`; it's
std::string gnuplot_string(std::string_view text);

/// gnuplot's terminal for a figure: a journal page's width, with type that
/// stays readable at that size.
struct FigureTerminal {
  std::string command;     // the whole "set terminal ..." line
  std::string shown_size;  // "1200 x 1500 pixels", "6 x 7.5 inches"
  std::string font;        // the base font, "sans,18"
  std::string title_font;  // a little larger than the base font
  std::string line_width;  // of the curves, in the terminal's units
  // The width of a digit of the base font as drawn (some 0.6 of its em;
  // pdfcairo draws a font smaller than its nominal size), as a fraction of
  // the figure's width: measured on the figures, a little more than most
  // letters take. For laying out text whose room gnuplot does not make
  // itself: a column of names, tick labels.
  double char_width = 0.0;
};

/// The terminal of a figure whose height is `aspect` times its width:
/// PNG 1200 pixels wide, SVG 900 pixels, PDF 6 inches; heights rounded to
/// whole pixels and to hundredths of an inch.
FigureTerminal figure_terminal(FigureFormat format, double aspect);

/// What gnuplot is given: a script and the data files it reads, each under
/// a plain name of the program's choosing (letters, digits, '.', '_').
/// The script writes the figure to figure_file_name(format).
struct GnuplotJob {
  std::string script;
  struct DataFile {
    std::string name;
    std::string text;
  };
  std::vector<DataFile> data_files;
};

/// The name under which a script writes its figure: "figure.png", ...
std::string figure_file_name(FigureFormat format);

/// How to get gnuplot with its cairo terminals on Debian.
inline constexpr std::string_view GNUPLOT_INSTALL_COMMAND = "apt-get install gnuplot-nox";

/// Draws a figure with the gnuplot found on PATH and writes it to the
/// destination as an output of the run (companion::OutputFile): checked by
/// the guard first, then written beside the destination and renamed over
/// it, so that a failure leaves an earlier figure of that name as it was.
///
/// gnuplot runs in a fresh directory of its own under TMPDIR (or /tmp),
/// on the script and the data files written there under their plain names,
/// so that no path and no text of the user's files can reach its command
/// line or its script as a command. The figure is copied from there to
/// the destination; the directory is removed in every case. SIGINT,
/// SIGTERM, SIGHUP and SIGQUIT are held while the directory exists and
/// take effect once it is gone.
///
/// @param[in] job          the script and its data files
/// @param[in] format       the figure's format
/// @param[in] guard        the run's inputs, which no figure replaces
/// @param[in] destination  where the figure goes
/// @throws FigureError       when the guard refuses the destination, gnuplot
///                         is missing or fails, or a file cannot be
///                         written; nothing is left behind
void run_gnuplot_job(const GnuplotJob& job, FigureFormat format,
                     const companion::OutputGuard& guard, const std::filesystem::path& destination);

}  // namespace figures
