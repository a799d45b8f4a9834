// One run of the program, from the banner to the closing line.
#pragma once

#include "driver/coefficients.hpp"

namespace driver {

/// The site of the run.
struct Site {
  double typed_latitude = 0.0;  // as typed: what the curve file shows
  double typed_longitude = 0.0;
  double latitude = 0.0;  // working values, after the pole nudge
  double longitude = 0.0;
};

const Site& site();

/// The working site: a latitude of exactly 45 becomes 45.001 and a
/// longitude of exactly 8 becomes 8.001, so that the site never lies on
/// the cap's pole (45 N, 8 E). The two tests are independent.
Site nudged_site(double typed_latitude, double typed_longitude);

/// Makes the typed site, nudged off the cap's pole, the site of the run.
void set_site(double typed_latitude, double typed_longitude);

/// Performs the run: dialogue, site set-up, the curve file. Ends with the
/// closing line on the console, and a note on standard error when the
/// coefficient file holds numbers after those of the model.
///
/// @throws errors::RunAborted after a fatal report of the error handler
/// @throws console::RunFailure on unreadable input or an unusable file
void run();

/// The main routine: performs the run, reports a failure on standard
/// error, and makes a signal that stops the run leave no file behind.
///
/// @return the exit status: 0 after a complete run, 1 after a failure
int run_program();

/// The main routine's handling around any body of a run (run_program
/// passes run): a fatal report of the error handler, unreadable input and
/// an unusable file end it with status 1; the curve file is then not
/// written, and an earlier one stays as it was. A curve file that the body
/// leaves open is completed.
int run_guarded(void (*body)());

/// The note on standard error for numbers after the 7620th of the
/// coefficient file, which are not read as coefficients; nothing when
/// there are none.
void report_ignored_numbers(const CoefficientTable& table);

/// For tests: forgets every record of an earlier run.
void reset_run_state();

}  // namespace driver
