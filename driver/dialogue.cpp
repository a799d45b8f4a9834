#include "driver/dialogue.hpp"

#include "console/records.hpp"
#include "driver/constants.hpp"

namespace driver {

namespace {

struct Question {
  const char* prompt;
  const char* expected;    // for the report on unreadable input
  const char* signs;       // how to type a hemisphere, for the same report
  const char* one_number;  // what to type instead of two numbers
  double lower, upper;
  const char* out_of_range;
};

// The lower bound is tested first; a NaN fails it and counts as outside.
double ask(const Question& q) {
  for (;;) {
    console::write_record(q.prompt);
    const double answer = console::read_real(q.expected, q.signs, q.one_number);
    console::write_record(" ");
    if (!(answer >= q.lower) || answer > q.upper) {
      console::write_record(q.out_of_range);
      continue;
    }
    return answer;
  }
}

}  // namespace

void print_banner() {
  console::write_record("               ** KARVEN.EU.26 **");
  console::write_record("Palaeointensity & Directional Archaeomagnetic");
  console::write_record("              Prediction for Europe");
  console::write_record("             for the last 2000 years");
  console::write_record(" ");
  console::write_record("** Palaeointensity & Paleosecular Variation Curve **");
  console::write_record("Latitude : 35 N to 60 N (degree)");
  console::write_record("Longitude : 15 W to 30 E (degree)");
  console::write_record(" ");
}

double ask_latitude() {
  return ask({"Give geodetic latitude (decimal degrees, e.g. 40.4):",
              "the geodetic latitude in decimal degrees",
              "type the latitude north positive, e.g. 40.4 for 40.4 N",
              "give one number per question: the latitude here, the longitude at the next "
              "question",
              MIN_LATITUDE, MAX_LATITUDE, "Latitude is between 35 N and 60 N"});
}

double ask_longitude() {
  console::write_record(" ");
  return ask({"Give geodetic longitude (decimal degrees,e.g. -3.7):",
              "the geodetic longitude in decimal degrees",
              "type the longitude east positive, e.g. -3.7 for 3.7 W",
              "give one number per question: the longitude alone here", MIN_LONGITUDE,
              MAX_LONGITUDE, "Longitude is between 15 W and 30 E"});
}

}  // namespace driver
