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
  if (s_cap >= 1.0 || (latitude == f.pole_latitude && turns == 0.0)) return at_cap_pole();
  if (s_cap <= -1.0 || (latitude == -f.pole_latitude && std::abs(turns) == 180.0)) {
    return at_cap_antipode();
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
