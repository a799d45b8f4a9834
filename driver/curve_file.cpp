#include "driver/curve_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "console/fields.hpp"

namespace driver {

namespace {

struct CurveFile {
  std::FILE* file = nullptr;
};

CurveFile& curve() {
  static CurveFile record;
  return record;
}

[[noreturn]] void fail(const char* action, int error) {
  if (curve().file != nullptr) {
    (void)std::fclose(curve().file);  // already failed: nothing more can be kept
    curve().file = nullptr;
  }
  throw CurveFileError(std::string("cannot ") + action + " the curve file " + CURVE_FILE_NAME +
                       ": " + std::strerror(error));
}

void write_line(std::string_view text) {
  std::FILE* file = curve().file;
  if (file == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
      std::fputc('\n', file) == EOF) {
    fail("write", errno);
  }
}

// Hands the lines written so far to the system, so that a run stopped at
// the console still leaves them in the file.
void write_out() {
  if (curve().file != nullptr && std::fflush(curve().file) != 0) fail("write", errno);
}

}  // namespace

void open_curve_file() {
  // Binary: every line ends with LF on every system, no CR is added.
  std::FILE* file = std::fopen(CURVE_FILE_NAME, "wb");
  if (file == nullptr) fail("create", errno);
  curve().file = file;
  // One buffer holds the whole file.
  (void)std::setvbuf(file, nullptr, _IOFBF, 1 << 15);  // a smaller buffer would do as well

  write_line("      KARVEN.EU.26 Regional Archaeomagnetic Model");
  write_line("          for Europe for the last 2000 years");
  write_line(" ");
  // The model's publication is cited in full in the reference that is
  // distributed with its coefficient file.
  write_line("Authors (year): see the reference distributed with KARVEN_coeff.inp");
  write_line("Title: the publication of the KARVEN.EU.26 model, cited in full in");
  write_line("       the reference distributed with the model's coefficient file");
  write_line("Journal, volume (issue), pages: as given in that reference");
  write_line("Identifier: as given in that reference");
  write_line(" ");
  write_line(" ");
  write_out();
}

void write_site_block(double latitude, double longitude) {
  write_line(" ");
  write_line("   Geodetic Latitude  Geodetic Longitud");
  write_line(console::fixed_field(latitude, 15, 2) + console::fixed_field(longitude, 15, 2));
  write_out();
}

void write_curve_headings() {
  write_line(" ");
  write_line("                       *Errors at 95% of confidence");
  write_line(" ");
  write_line("Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)");
  write_out();
}

void write_curve_line(double year, double declination, double inclination, double intensity,
                      double declination_error, double inclination_error, double intensity_error) {
  using console::fixed_field;
  write_line(fixed_field(year, 7, 0) + fixed_field(declination, 10, 2) +
             fixed_field(inclination, 10, 2) + fixed_field(intensity, 10, 2) +
             fixed_field(declination_error, 13, 2) + fixed_field(inclination_error, 11, 2) +
             fixed_field(intensity_error, 11, 2));
}

void close_curve_file() {
  std::FILE* file = curve().file;
  if (file == nullptr) return;
  curve().file = nullptr;
  // fclose reports a failed write of what was still buffered.
  const bool written = std::fflush(file) == 0;
  const int error = errno;
  if (std::fclose(file) != 0 || !written) fail("write", written ? errno : error);
}

}  // namespace driver
