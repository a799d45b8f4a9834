// Running gnuplot on a figure: a private working directory, a script and a
// data file in it, gnuplot started without a shell, the figure moved to
// its destination.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "curve/curve_reader.hpp"
#include "plot/figure.hpp"

namespace plot {

/// The figure cannot be drawn or written: gnuplot is missing or failed, or
/// a file cannot be written. The message says why.
class PlotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// How to get gnuplot with its cairo terminals on Debian.
inline constexpr std::string_view GNUPLOT_INSTALL_COMMAND = "apt-get install gnuplot-nox";

/// Finds a program in a list of directories separated by colons, as the
/// PATH variable holds them: the first directory with an executable
/// regular file of that name. Empty entries, which a shell reads as the
/// current directory, are skipped: a gnuplot that lies beside a curve file
/// is never run by chance.
///
/// @param[in] program      the program's name, without a slash
/// @param[in] search_path  the directories, e.g. "/usr/local/bin:/usr/bin"
/// @return the program's absolute path, or nothing
std::optional<std::filesystem::path> find_program(std::string_view program,
                                                  std::string_view search_path);

/// Draws the figure of a curve with the gnuplot found on PATH and writes it
/// to the destination, replacing a file of that name.
///
/// gnuplot runs in a fresh directory of its own under TMPDIR (or /tmp),
/// on a script and a data file written there under fixed names, so that no
/// path and no text of the curve file can reach its command line or its
/// script as a command. The figure is renamed to the destination, or
/// copied there when the destination lies on another file system; the
/// directory is removed in every case. SIGINT, SIGTERM, SIGHUP and SIGQUIT
/// are held while the directory exists and take effect once it is gone.
///
/// @param[in] curve        the curve
/// @param[in] format       the figure's format
/// @param[in] destination  where the figure goes
/// @throws PlotError       when gnuplot is missing or fails, or a file
///                         cannot be written; nothing is left behind
void draw_figure(const Curve& curve, FigureFormat format, const std::filesystem::path& destination);

}  // namespace plot
