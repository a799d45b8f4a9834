// Rows of the high-precision reference tables in reference/cap_reference.inc,
// made by reference/make_reference.py with mpmath.
#pragma once

namespace cap_test {

struct GeocentricReference {
  double latitude;             // geodetic (degrees)
  double altitude;             // km
  double geocentric_latitude;  // degrees
  double radius;               // km
  double difference;           // geodetic minus geocentric latitude (radians)
};

struct LogGammaReference {
  double x;
  double log_gamma;
};

struct SchmidtReference {
  double n;
  int m;
  double factor;
};

struct BasisReference {
  int k;
  int m;
  double n;
  double theta;  // degrees
  double P;
  double dP_dtheta;
  double m_P_over_sin;
};

struct OutOfRangeReference {
  double degree;
  int order;
  double colatitude;  // radians
  double log2_magnitude;
  int sign;
};

#include "cap/tests/reference/cap_reference.inc"

}  // namespace cap_test
