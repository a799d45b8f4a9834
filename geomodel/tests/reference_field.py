#!/usr/bin/env python3
"""Independent reference values for the global field models' tests.

Written from the formulas with numpy alone, sharing nothing with the C++:
the splines by the Cox-de Boor recursion over the whole basis, the Schmidt
semi-normalised Legendre functions from derivatives of the Legendre
polynomials (numpy.polynomial), the field as the gradient of the potential
in closed form, and the WGS84 geodetic conversion.

Run:  python3 geomodel/tests/reference_field.py [data/models]
It checks itself against the check values of data/models/README.md (to
their printed digits), then prints the rows that field_test.cpp embeds.
"""
import math
import sys
from pathlib import Path

import numpy as np
from numpy.polynomial import legendre as L

A_REF = 6371.2  # km, reference radius of the Gauss coefficients
WGS84_A = 6378.137  # km
WGS84_F = 1.0 / 298.257223563


def read_model(path):
    text = Path(path).read_text()
    first, rest = text.split("\n", 1)
    head = first.split()
    span = (float(head[0]), float(head[1]))
    order = 4  # the family's splines are cubic, whether line 1 says so or not
    tokens = [float(t.replace("D", "E").replace("d", "E")) for t in rest.split()]
    lmax, _zero, nspl = int(tokens[0]), int(tokens[1]), int(tokens[2])
    nk = nspl + order
    nc = lmax * (lmax + 2)
    knots = np.array(tokens[3:3 + nk])
    coeffs = np.array(tokens[3 + nk:3 + nk + nspl * nc]).reshape(nspl, nc)
    assert coeffs.shape == (nspl, nc)
    return dict(span=span, lmax=lmax, knots=knots, coeffs=coeffs, order=order)


def bsplines(knots, order, t):
    """All B-splines of the order at t, by the Cox-de Boor recursion."""
    nspl = len(knots) - order
    # Order 1: indicator of [t_j, t_{j+1}); at the basis' right end, the last interval.
    b = np.zeros(len(knots) - 1)
    if t == knots[nspl]:
        j = nspl - 1
        while knots[j] == knots[j + 1]:
            j -= 1
        b[j] = 1.0
    else:
        for j in range(len(knots) - 1):
            if knots[j] <= t < knots[j + 1]:
                b[j] = 1.0
    for k in range(2, order + 1):
        nb = np.zeros(len(knots) - k)
        for j in range(len(knots) - k):
            left = knots[j + k - 1] - knots[j]
            right = knots[j + k] - knots[j + 1]
            if left > 0:
                nb[j] += (t - knots[j]) / left * b[j]
            if right > 0:
                nb[j] += (knots[j + k] - t) / right * b[j + 1]
        b = nb
    return b[:nspl]


def gauss(model, t):
    return bsplines(model["knots"], model["order"], t) @ model["coeffs"]


def schmidt(n, m, c, s):
    """P(n,m)(cos theta), dP/dtheta and P/sin(theta) (m >= 1), Schmidt semi-normalised."""
    q = L.legval(c, L.legder([0] * n + [1], m)) if m <= n else 0.0
    dq = L.legval(c, L.legder([0] * n + [1], m + 1)) if m + 1 <= n else 0.0
    k = 1.0 if m == 0 else math.sqrt(2.0 * math.factorial(n - m) / math.factorial(n + m))
    p = k * s**m * q
    dp = k * ((m * s**(m - 1) * c * q if m > 0 else 0.0) - s**(m + 1) * dq)
    u = k * s**(m - 1) * q if m > 0 else 0.0
    return p, dp, u


def geocentric(lat_deg):
    e2 = WGS84_F * (2.0 - WGS84_F)
    phi = math.radians(lat_deg)
    n = WGS84_A / math.sqrt(1.0 - e2 * math.sin(phi)**2)
    rho = n * math.cos(phi)  # from the axis, height 0
    z = n * (1.0 - e2) * math.sin(phi)
    r = math.hypot(rho, z)
    psi = phi - math.atan2(z, rho)  # geodetic minus geocentric latitude
    return r, z / r, rho / r, psi  # radius, cos(theta), sin(theta), psi


def field(model, lat, lon, t):
    g = gauss(model, t)
    r, c, s, psi = geocentric(lat)
    lam = math.radians(lon)
    x = y = z = 0.0
    k = 0
    for n in range(1, model["lmax"] + 1):
        f = (A_REF / r)**(n + 2)
        for m in range(n + 1):
            p, dp, u = schmidt(n, m, c, s)
            gnm = g[k]
            k += 1
            hnm = 0.0
            if m > 0:
                hnm = g[k]
                k += 1
            cs = gnm * math.cos(m * lam) + hnm * math.sin(m * lam)
            x += f * cs * dp                                   # -B_theta
            y += f * m * (gnm * math.sin(m * lam) - hnm * math.cos(m * lam)) * u  # B_phi
            z -= f * (n + 1) * cs * p                          # -B_r
    xg = x * math.cos(psi) + z * math.sin(psi)
    zg = z * math.cos(psi) - x * math.sin(psi)
    h = math.hypot(xg, y)
    return dict(X=xg, Y=y, Z=zg, D=math.degrees(math.atan2(y, xg)),
                I=math.degrees(math.atan2(zg, h)), F=math.hypot(h, zg) / 1000.0)


def dipole(g):
    b0 = math.sqrt(g[0]**2 + g[1]**2 + g[2]**2)
    moment = (A_REF * 1e3)**3 * b0 * 1e-9 / 1e-7 / 1e22
    return moment, 90.0 - math.degrees(math.acos(-g[0] / b0)), math.degrees(math.atan2(-g[2], -g[1]))


# The check values of data/models/README.md.
README_COEFFICIENTS = [  # CALS10k.2: year, g10, g11, h11, g20
    (-1000, -36907.14, -1141.54, -3084.25, -386.38), (0, -37627.77, 241.00, 627.93, -564.92),
    (1000, -34809.30, 362.64, -3935.14, -2298.90), (1900, -31452.61, -2315.21, 5836.94, -658.21),
    (1990, -29772.80, -1834.53, 5341.87, -2119.29)]
README_FIELD = [  # model, lat, lon, year, D, I, F
    ("CALS10k.2", 40.40, -3.70, 0, -0.42, 58.16, 59.09), ("CALS10k.2", 40.40, -3.70, 500, 4.39, 57.59, 60.40),
    ("CALS10k.2", 40.40, -3.70, 1000, 17.04, 50.64, 58.09), ("CALS10k.2", 40.40, -3.70, 1500, 3.70, 54.48, 48.77),
    ("CALS10k.2", 40.40, -3.70, 1900, -16.03, 58.69, 44.10), ("CALS10k.2", 48.85, 2.35, 1000, 18.46, 62.42, 66.75),
    ("CALS10k.2", 48.85, 2.35, 1900, -15.17, 64.85, 46.24), ("CALS10k.2", 41.90, 12.50, 1000, 15.92, 58.93, 63.94),
    ("CALS10k.2", 41.90, 12.50, 1900, -10.05, 57.62, 43.62), ("CALS10k.2", 37.98, 23.73, 1000, 10.87, 57.89, 62.54),
    ("CALS10k.2", 37.98, 23.73, 1900, -5.65, 52.12, 42.21),
    ("ARCH10k.1", 48.85, 2.35, 1000, 20.07, 63.29, 66.59), ("ARCH10k.1", 53.87, 10.81, 1300, 9.41, 63.28, 60.25),
    ("ARCH10k.1", 31.78, 35.22, -1000, 3.93, 62.28, 66.50), ("ARCH10k.1", 39.90, 116.40, 1000, -8.17, 60.47, 57.70),
    ("ARCH10k.1", -12.05, -77.04, 1000, -2.55, -48.14, 49.77), ("HFM.OL1.A1", 31.78, 35.22, 0, -4.82, 46.96, 51.25),
    ("pfm9k.1a", 48.85, 2.35, 1500, 5.73, 61.45, 53.86), ("arhimag1k", 53.87, 10.81, 1500, 9.39, 66.06, 57.38),
    ("gufm1", 48.85, 2.35, 1900, -14.92, 64.97, 46.47), ("gufm1", 19.60, -155.50, 1900, 9.60, 37.77, 38.16),
    ("GGF100k", 48.85, 2.35, 1000, 16.65, 63.99, 63.77)]

# Further sites for the tests: near and at the poles, either side of the
# date line, a longitude past 180, the ends of spans, the other models.
EXTRA_FIELD = [
    ("ARCH10k.1", 89.9, 30.0, 1000), ("ARCH10k.1", -89.5, 140.0, -5000), ("ARCH10k.1", 90.0, 0.0, 1000),
    ("ARCH10k.1", -90.0, 0.0, 1000), ("ARCH10k.1", -17.7, 179.99, 500), ("ARCH10k.1", -17.7, -179.99, 500),
    ("ARCH10k.1", -17.7, 190.0, 500), ("ARCH10k.1", 10.0, 359.5, -8000), ("ARCH10k.1", 0.0, -180.0, 1990),
    ("gufm1", 64.1, -21.9, 1590), ("gufm1", -77.85, 166.67, 1990), ("LSMOD.2", 45.0, 3.0, -39000),
    ("GGF100k", -33.9, 18.4, -98050), ("HFM.OL1.A1", 35.0, 140.0, -8000), ("pfm9k.1a", 60.0, -150.0, -7000),
    ("arhimag1k", 30.0, 31.2, 2000), ("CALS10k.2", 51.5, -0.1, 1650.25)]


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "data/models")
    models = {}

    def model(name):
        if name not in models:
            models[name] = read_model(folder / name)
        return models[name]

    # Partition of unity where the basis is complete.
    cals = model("CALS10k.2")
    worst = max(abs(bsplines(cals["knots"], 4, t).sum() - 1.0) for t in np.linspace(-10010, 1990, 997))
    print(f"# CALS10k.2 splines sum to 1 within {worst:.1e}")

    worst_c = 0.0
    for year, *values in README_COEFFICIENTS:
        g = gauss(cals, year)
        worst_c = max(worst_c, max(abs(round(g[i], 2) - v) for i, v in enumerate(values)))
    worst_f = 0.0
    for name, lat, lon, year, d, i, f in README_FIELD:
        r = field(model(name), lat, lon, year)
        worst_f = max(worst_f, abs(round(r["D"], 2) - d), abs(round(r["I"], 2) - i), abs(round(r["F"], 2) - f))
    print(f"# README check values: coefficients agree to {worst_c:.2f} nT, "
          f"D, I, F to {worst_f:.2f} (degrees, microtesla) at their printed digits")

    print("# Field rows: model, latitude, longitude, year, X, Y, Z (nT), D, I (degrees), F (microtesla)")
    for name, lat, lon, year, *_ in README_FIELD + [row + (0, 0, 0) for row in EXTRA_FIELD]:
        r = field(model(name), lat, lon, year)
        print(f'    {{"{name}", {lat}, {lon}, {year}, {r["X"]:.17g}, {r["Y"]:.17g}, {r["Z"]:.17g}, '
              f'{r["D"]:.17g}, {r["I"]:.17g}, {r["F"]:.17g}}},')

    print("# Gauss coefficients g(1,0), g(1,1), h(1,1), g(2,0) and the dipole (moment, pole lat, lon)")
    for name, year in [("CALS10k.2", -1000), ("CALS10k.2", 1990), ("ARCH10k.1", 1990), ("gufm1", 1990),
                       ("gufm1", 1900), ("pfm9k.1a", 1900)]:
        g = gauss(model(name), year)
        m, plat, plon = dipole(g)
        print(f'    {{"{name}", {year}, {g[0]:.17g}, {g[1]:.17g}, {g[2]:.17g}, {g[3]:.17g}, '
              f'{m:.17g}, {plat:.17g}, {plon:.17g}}},')


if __name__ == "__main__":
    main()
