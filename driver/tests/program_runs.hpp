// What the tests that run the built program share: the console's fixed
// texts, a run directory with the demonstration coefficient file, and a
// look at what a run left in it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace driver_test {

inline const std::string BANNER =
    "               ** KARVEN.EU.26 **"
    "\nPalaeointensity & Directional Archaeomagnetic"
    "\n              Prediction for Europe"
    "\n             for the last 2000 years"
    "\n "
    "\n** Palaeointensity & Paleosecular Variation Curve **"
    "\nLatitude : 35 N to 60 N (degree)"
    "\nLongitude : 15 W to 30 E (degree)"
    "\n ";
inline const std::string LAT_PROMPT = "\nGive geodetic latitude (decimal degrees, e.g. 40.4):";
inline const std::string LON_PROMPT = "\nGive geodetic longitude (decimal degrees,e.g. -3.7):";
inline const std::string AFTER_READ = " ";
inline const std::string LAT_AGAIN = "\nLatitude is between 35 N and 60 N";
inline const std::string LON_AGAIN = "\nLongitude is between 15 W and 30 E";
inline const std::string START_LON = "\n ";
inline const std::string CLOSING = "\nStop - Program terminated.\n";
inline const std::string VALID_DIALOGUE =
    BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + AFTER_READ;
/// The console up to the longitude's prompt, the latitude answered.
inline const std::string AT_LONGITUDE = BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT;

/// What every message of a run that did not complete ends with.
inline const std::string NOT_WRITTEN = "; no curve file was written\n";

/// The curve file of an earlier run, which a run that does not complete
/// must leave as it is.
inline const std::string EARLIER_CURVE = "an earlier run's curve, to be kept\n";

/// A fresh working directory holding the demonstration coefficient file.
struct DemoRunDir : testsupport::ScopedWorkDir {
  DemoRunDir() { std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp"); }
};

/// The names in the current directory, sorted.
inline std::vector<std::string> directory_listing() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

/// The names a run's directory holds when the run has left nothing of its
/// own: the coefficient file and the curve file.
inline const std::vector<std::string> COEFFICIENTS_AND_CURVE = {"KARVEN_coeff.inp",
                                                                driver::CURVE_FILE_NAME};

/// The curve file of a complete run at the site, in a directory of its
/// own with the demonstration file.
inline std::string reference_curve(const std::string& answers) {
  DemoRunDir dir;
  testsupport::run_program_binary(KARVEN_PROGRAM, answers);
  return testsupport::read_file(driver::CURVE_FILE_NAME);
}

}  // namespace driver_test
