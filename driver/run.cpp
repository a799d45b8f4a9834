#include "driver/run.hpp"

#include <iostream>

#include "console/records.hpp"
#include "driver/constants.hpp"
#include "driver/curve_file.hpp"
#include "driver/dialogue.hpp"
#include "errors/message_table.hpp"
#include "errors/xerror.hpp"

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

void run() {
  open_curve_file();

  print_banner();
  const double latitude = ask_latitude();
  const double longitude = ask_longitude();
  write_site_block(latitude, longitude);
  site_record() = nudged_site(latitude, longitude);

  write_curve_headings();

  close_curve_file();
  console::finish_run();
}

int run_program() {
  int status = 0;
  try {
    run();
  } catch (const errors::RunAborted& stop) {
    status = stop.exit_status;
  } catch (const console::RunFailure& failure) {
    console::report_failure(failure.what());
    status = 1;
  }
  // Whatever ended the run, the lines written so far stay in the file.
  try {
    close_curve_file();
  } catch (const console::RunFailure& failure) {
    console::report_failure(failure.what());
    status = 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "karven: cannot write to standard output\n";
    status = 1;
  }
  return status;
}

void reset_run_state() {
  console::reset_console_cursor();
  errors::reset_message_table();
  site_record() = {};
}

}  // namespace driver
