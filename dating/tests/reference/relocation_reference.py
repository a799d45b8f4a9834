#!/usr/bin/env python3
"""Reference values for relocating a direction through its virtual
geomagnetic pole, computed with unit vectors at 40 digits (mpmath), a
method independent of the spherical trigonometry of the code:

- the pole lies on the great circle that leaves the site in the direction
  of the declination, at the angular distance p with tan I = 2 cot p;
- back at another site, p is the angle between the site and the pole, the
  inclination follows from tan I = 2 cot p, the declination is the bearing
  of the pole seen from the site.

Prints C++ rows {site lat, lon, D, I, pole lat, pole lon, new site lat,
lon, new D, new I, distance km} for relocation_test.cpp.
"""
from mpmath import mp, mpf, sin, cos, atan, atan2, acos, asin, sqrt, pi, degrees, radians

mp.dps = 40


def unit(lat, lon):
    la, lo = radians(lat), radians(lon)
    return [cos(la) * cos(lo), cos(la) * sin(lo), sin(la)]


def north_east(lat, lon):
    la, lo = radians(lat), radians(lon)
    north = [-sin(la) * cos(lo), -sin(la) * sin(lo), cos(la)]
    east = [-sin(lo), cos(lo), mpf(0)]
    return north, east


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def pole_of(lat, lon, D, I):
    s = unit(lat, lon)
    n, e = north_east(lat, lon)
    d, i = radians(D), radians(I)
    p = atan2(2, sin(i) / cos(i))  # colatitude of the pole seen from the site
    h = [cos(d) * a + sin(d) * b for a, b in zip(n, e)]
    P = [cos(p) * a + sin(p) * b for a, b in zip(s, h)]
    return degrees(asin(P[2])), degrees(atan2(P[1], P[0]))


def direction_at(plat, plon, lat, lon):
    P = unit(plat, plon)
    s = unit(lat, lon)
    n, e = north_east(lat, lon)
    c = dot(s, P)
    p = acos(c)
    t = [a - c * b for a, b in zip(P, s)]
    D = degrees(atan2(dot(t, e), dot(t, n)))
    I = degrees(atan2(2 * cos(p), sin(p)))
    return D, I


def distance_km(lat1, lon1, lat2, lon2):
    return 6371 * acos(dot(unit(lat1, lon1), unit(lat2, lon2)))


cases = [
    # a worked value: D 4, I 41 at 33 N, 117 W
    (33, -117, 4, 41, 48.85, 2.35),
    # a made-up hearth at Luebeck to Paris, and back
    (53.87, 10.81, 9.6, 70.9, 48.85, 2.35),
    (48.85, 2.35, -16.4, 64.9, 53.87, 10.81),
    # a westerly declination written past 180, a reversed field
    (40.4, -3.7, 343.6, 58.0, 41.9, 12.5),
    (37.98, 23.73, 175.0, -50.0, 59.9, -14.9),
]
for lat, lon, D, I, lat2, lon2 in cases:
    plat, plon = pole_of(lat, lon, D, I)
    D2, I2 = direction_at(plat, plon, lat2, lon2)
    row = [lat, lon, D, I, plat, plon, lat2, lon2, D2, I2, distance_km(lat, lon, lat2, lon2)]
    print("    {" + ", ".join(mp.nstr(mpf(x), 17) for x in row) + "},")
