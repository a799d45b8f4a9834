#include "cap/cap_frame.hpp"

#include <cmath>

#include "cap/constants.hpp"
#include "driver/curve_file.hpp"

namespace cap {

namespace {

CapFrame& frame() {
  static CapFrame record;  // pole set once per run; angle set by each site
  return record;
}

constexpr double PI = 3.141592653589793;

// Sine of the cap latitude beyond which a site counts as near the cap's
// pole: 1 - 5e-7, a cap colatitude of about 0.057 degrees.
constexpr double NEAR_CAP_POLE = 1.0 - 5e-7;

// Brings a cap longitude into [-180, 180) by one turn at most.
double fold_longitude(double longitude) {
  if (longitude >= 180.0) longitude -= 360.0;
  if (longitude < -180.0) longitude += 360.0;
  return longitude;
}

void store_angle(double cos_alpha, double sin_alpha) {
  frame().cos_alpha = cos_alpha;
  frame().sin_alpha = sin_alpha;
}

}  // namespace

const CapFrame& cap_frame() { return frame(); }

void reset_cap_frame() { frame() = {}; }

void set_cap_pole(double pole_latitude, double pole_longitude, double site_latitude,
                  double site_longitude) {
  CapFrame& f = frame();
  f.pole_latitude = pole_latitude;
  f.pole_longitude = pole_longitude;
  const double pole_latitude_rad = pole_latitude * DEG_TO_RAD;
  f.sin_pole_latitude = std::sin(pole_latitude_rad);
  f.cos_pole_latitude = std::cos(pole_latitude_rad);
  // A pole at a geographic pole turns the frame by 0 or 180 degrees at every
  // site; otherwise the angle comes with the site.
  if (pole_latitude >= 90.0) {
    store_angle(1.0, 0.0);
  } else if (pole_latitude <= -90.0) {
    store_angle(-1.0, 0.0);
  }
  // The header of the curve file shows the site as the user typed it.
  driver::write_site_block(site_latitude, site_longitude);
}

void geographic_to_cap(double latitude, double longitude, double north, double east,
                       double& cap_latitude, double& cap_longitude, double& cap_north,
                       double& cap_east) {
  const CapFrame& f = frame();
  const double delta_longitude = longitude - f.pole_longitude;

  // A pole at a geographic pole: the cap frame is the geographic frame, or
  // that frame turned upside down. The stored angle was set with the pole.
  if (f.pole_latitude >= 90.0) {
    cap_latitude = latitude;
    cap_longitude = fold_longitude(delta_longitude);
    cap_north = north;
    cap_east = east;
    return;
  }
  if (f.pole_latitude <= -90.0) {
    cap_latitude = -latitude;
    cap_longitude = fold_longitude(180.0 - delta_longitude);
    cap_north = -north;
    cap_east = -east;
    return;
  }

  const double delta_longitude_rad = delta_longitude * DEG_TO_RAD;
  const auto rotate = [&] { components_to_cap(north, east, cap_north, cap_east); };

  // At a geographic pole the site's own longitude fixes which way is north.
  const auto at_north_pole = [&] {
    cap_latitude = f.pole_latitude;
    cap_longitude = -180.0;
    const double beta = PI - delta_longitude_rad;
    store_angle(std::cos(beta), std::sin(beta));
    rotate();
  };
  const auto at_south_pole = [&] {
    cap_latitude = -f.pole_latitude;
    cap_longitude = 0.0;
    const double beta = delta_longitude_rad;
    store_angle(std::cos(beta), std::sin(beta));
    rotate();
  };
  // At the cap's pole and its antipode the cap longitude is taken as 0 and
  // the frames are aligned, or turned by 180 degrees.
  const auto at_cap_pole = [&] {
    cap_latitude = 90.0;
    cap_longitude = 0.0;
    store_angle(1.0, 0.0);
    cap_north = north;
    cap_east = east;
  };
  const auto at_cap_antipode = [&] {
    cap_latitude = -90.0;
    cap_longitude = 0.0;
    store_angle(-1.0, 0.0);
    cap_north = -north;
    cap_east = -east;
  };

  if (latitude >= 90.0) return at_north_pole();
  if (latitude <= -90.0) return at_south_pole();
  const double latitude_rad = latitude * DEG_TO_RAD;
  const double s_phi = std::sin(latitude_rad);
  const double c_phi = std::cos(latitude_rad);
  if (c_phi == 0.0) return s_phi > 0.0 ? at_north_pole() : at_south_pole();

  // Sine of the cap latitude.
  const double s_cap =
      c_phi * f.cos_pole_latitude * std::cos(delta_longitude_rad) + s_phi * f.sin_pole_latitude;
  // For a site given exactly at the cap's pole or its antipode, s_cap can
  // miss +-1 by a few roundings; the angle formulas below would then divide
  // rounding noise by a cosine of about 1e-8 and yield a rotation of nearly
  // zero length. The site's coordinates tell these positions exactly.
  const double turns = std::fmod(delta_longitude, 360.0);
  if (latitude == f.pole_latitude && turns == 0.0) return at_cap_pole();
  if (s_cap <= -1.0 || (latitude == -f.pole_latitude && std::abs(turns) == 180.0)) {
    return at_cap_antipode();
  }
  // Within about 0.06 degrees of the cap's pole the arcsine formulas below
  // lose digits: the cap latitude's cosine comes from a sine close to 1,
  // and the cap longitude and the frame angle from quotients by that
  // cosine, each with errors of their own, so that the direction of the
  // field turns by up to a tenth of a degree within metres of the pole.
  // There the site's cap-frame vector is formed from differences of the
  // inputs, which keep their digits, and the angles are taken with
  // two-argument arctangents.
  if (s_cap > NEAR_CAP_POLE) {
    const double half_sin = std::sin(0.5 * delta_longitude_rad);
    const double versine = 2.0 * half_sin * half_sin;  // 1 - cos(delta longitude)
    const double sin_pole_minus_site = std::sin((f.pole_latitude - latitude) * DEG_TO_RAD);
    const double sin_delta_longitude = std::sin(delta_longitude_rad);
    // The site's unit vector in the cap frame: x towards cap longitude 0,
    // y towards cap longitude 90, s_cap towards the cap's pole.
    const double x = sin_pole_minus_site - f.sin_pole_latitude * c_phi * versine;
    const double y = c_phi * sin_delta_longitude;
    cap_latitude = std::atan2(s_cap, std::hypot(x, y)) / DEG_TO_RAD;
    cap_longitude = std::atan2(y, x) / DEG_TO_RAD;
    if (cap_longitude >= 180.0) cap_longitude -= 360.0;
    // The frame angle: the bearing of the cap's pole seen from the site,
    // counted from north towards west.
    const double alpha = std::atan2(f.cos_pole_latitude * sin_delta_longitude,
                                    sin_pole_minus_site + s_phi * f.cos_pole_latitude * versine);
    store_angle(std::cos(alpha), std::sin(alpha));
    return rotate();
  }

  const double cap_latitude_rad = std::asin(s_cap);
  cap_latitude = cap_latitude_rad / DEG_TO_RAD;
  const double c_cap = std::cos(cap_latitude_rad);
  if (c_cap == 0.0) return s_cap > 0.0 ? at_cap_pole() : at_cap_antipode();

  // Cap longitude lambda' from its sine u. The site lies on the
  // geographic-pole side of the cap (cos lambda' <= 0) when s_phi >= t; on
  // the cap meridians of cap longitude +-90 the two are equal.
  const double t = f.sin_pole_latitude * s_cap;
  const double sin_delta_longitude = std::sin(delta_longitude_rad);
  double u;
  if (s_phi == t) {
    if (sin_delta_longitude > 0.0) {
      cap_longitude = 90.0;
      u = 1.0;
    } else {
      cap_longitude = -90.0;
      u = -1.0;
    }
  } else {
    u = c_phi * sin_delta_longitude / c_cap;
    if (u <= -1.0) {
      cap_longitude = -90.0;
      u = -1.0;
    } else if (u >= 1.0) {
      cap_longitude = 90.0;
      u = 1.0;
    } else if (s_phi >= t) {
      cap_longitude = 180.0 - std::asin(u) / DEG_TO_RAD;
      if (cap_longitude >= 180.0) cap_longitude -= 360.0;
    } else {
      cap_longitude = std::asin(u) / DEG_TO_RAD;
    }
  }

  // Frame rotation angle from the spherical triangle of geographic pole,
  // cap pole and site: c_phi and c_cap are non-zero here.
  store_angle((f.sin_pole_latitude - s_phi * s_cap) / c_phi / c_cap,
              u * f.cos_pole_latitude / c_phi);
  rotate();
}

void components_to_cap(double north, double east, double& cap_north, double& cap_east) {
  const CapFrame& f = frame();
  cap_north = north * f.cos_alpha - east * f.sin_alpha;
  cap_east = east * f.cos_alpha + north * f.sin_alpha;
}

void components_from_cap(double cap_north, double cap_east, double& north, double& east) {
  const CapFrame& f = frame();
  north = cap_north * f.cos_alpha + cap_east * f.sin_alpha;
  east = cap_east * f.cos_alpha - cap_north * f.sin_alpha;
}

}  // namespace cap
