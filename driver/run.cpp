#include "driver/run.hpp"

#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "cap/cap_basis.hpp"
#include "cap/cap_frame.hpp"
#include "cap/geodetic.hpp"
#include "console/records.hpp"
#include "driver/coefficients.hpp"
#include "driver/constants.hpp"
#include "driver/curve_file.hpp"
#include "driver/curve_values.hpp"
#include "driver/dialogue.hpp"
#include "driver/error_estimates.hpp"
#include "driver/site_basis.hpp"
#include "errors/message_table.hpp"
#include "errors/xerror.hpp"
#include "legendre/extended_range.hpp"

namespace driver {

namespace {

Site& site_record() {
  static Site record;
  return record;
}

}  // namespace

const Site& site() { return site_record(); }

Site nudged_site(double typed_latitude, double typed_longitude) {
  Site s{typed_latitude, typed_longitude, typed_latitude, typed_longitude};
  if (typed_latitude == CAP_POLE_LAT) s.latitude = 45.001;
  if (typed_longitude == CAP_POLE_LON) s.longitude = 8.001;
  return s;
}

void set_site(double typed_latitude, double typed_longitude) {
  site_record() = nudged_site(typed_latitude, typed_longitude);
}

void run() {
  open_curve_file();
  cap::load_cap_degrees(cap_degree_table());

  print_banner();
  const double latitude = ask_latitude();
  const double longitude = ask_longitude();
  // The curve file shows the site as typed.
  cap::set_cap_pole(CAP_POLE_LAT, CAP_POLE_LON, latitude, longitude);
  set_site(latitude, longitude);

  compute_site_basis();
  write_curve_headings();
  load_coefficients();
  compute_site_factors();

  for (int i = 1; i <= N_EPOCHS; ++i) {
    const CurveValues v = curve_values(i);
    write_curve_line(v.year, v.declination, v.inclination, v.intensity, v.declination_error,
                     v.inclination_error, v.intensity_error);
  }

  close_curve_file();
  console::finish_run();
  report_ignored_numbers(coefficient_table());
}

int run_program() {
  discard_curve_file_on_signals();
  return run_guarded(run);
}

int run_guarded(void (*body)()) {
  constexpr std::string_view NOT_WRITTEN = "; no curve file was written";
  int status = 0;
  try {
    body();
    close_curve_file();  // a body that left the file open has completed it
  } catch (const errors::RunAborted& stop) {
    discard_curve_file();
    console::report_failure(std::string("the run was stopped by the error report above") +
                            std::string(NOT_WRITTEN));
    status = stop.exit_status;
  } catch (const std::exception& failure) {
    // Unreadable input, an unusable file, or whatever else ends the run.
    discard_curve_file();
    console::report_failure(failure.what() + std::string(NOT_WRITTEN));
    status = 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "karven: cannot write to standard output\n";
    status = 1;
  }
  return status;
}

void report_ignored_numbers(const CoefficientTable& table) {
  const std::size_t n = table.ignored_numbers;
  if (n == 0) return;
  std::cerr << "karven: the coefficient file " << COEFFICIENT_FILE_NAME << " holds " << n
            << (n == 1 ? " number" : " numbers") << " after the " << COEFFICIENT_COUNT
            << " of the model; " << (n == 1 ? "it was" : "they were") << " ignored\n";
  std::cerr.flush();
}

void reset_run_state() {
  console::reset_console_cursor();
  errors::reset_message_table();
  legendre::reset_extended_range_parameters();
  cap::reset_geodetic_state();
  cap::reset_cap_frame();
  site_record() = {};
  reset_site_basis();
  reset_coefficient_table();
  reset_site_factors();
}

}  // namespace driver
