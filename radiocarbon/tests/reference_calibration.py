#!/usr/bin/env python3
"""Reference calibrations of 14C ages, computed independently of the C++ code.

For each case, every whole calendar year of the curve (no year left out)
gets L(t) = exp(-(r - mu)^2 / (2 S^2)) / S, S^2 = sigma^2 + sigma_c^2, with
mu and sigma_c interpolated linearly between the curve's rows, in mpmath
at 30 digits. The HPD region at each level takes the years by probability,
highest first, until the level is reached, and every year tied with the
last one taken. Prints the mode and the intervals (years AD, astronomical)
with their probabilities; calibration_test.cpp embeds this output.

Usage: reference_calibration.py [data/radiocarbon]
"""
import csv
import os
import sys

from mpmath import mp, mpf, exp, sqrt

mp.dps = 30

CASES = [  # curve, age, sigma
    ("intcal20", 2450, 30),
    ("intcal20", 6377, 18),
    ("intcal20", 4200, 30),
    ("intcal20", 10000, 50),
    ("intcal20", 40000, 500),
    ("shcal20", 1500, 25),
    ("marine20", 3000, 40),
]
LEVELS = [68, 95]


def read_curve(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            cal_bp, age, sigma = (mpf(x) for x in line.split(",")[:3])
            rows.append((1950 - cal_bp, age, sigma))
    rows.sort()
    return rows


def on_whole_years(rows):
    first = int(mp.ceil(rows[0][0]))
    last = int(mp.floor(rows[-1][0]))
    years, mus, sigmas = [], [], []
    i = 0
    for t in range(first, last + 1):
        while i + 1 < len(rows) and rows[i + 1][0] <= t:
            i += 1
        t0, a0, s0 = rows[i]
        if t0 == t:
            mu, sc = a0, s0
        else:
            t1, a1, s1 = rows[i + 1]
            w = (t - t0) / (t1 - t0)
            mu, sc = a0 * (1 - w) + a1 * w, s0 * (1 - w) + s1 * w
        years.append(t)
        mus.append(mu)
        sigmas.append(sc)
    return years, mus, sigmas


def hpd(years, p, level):
    order = sorted(range(len(p)), key=lambda k: (-p[k], k))
    taken, total, last = set(), mpf(0), None
    for k in order:
        if total >= mpf(level) / 100 and p[k] != last:
            break
        taken.add(k)
        total += p[k]
        last = p[k]
    intervals, k = [], 0
    while k < len(p):
        if k in taken:
            start, mass = k, mpf(0)
            while k in taken:
                mass += p[k]
                k += 1
            intervals.append((years[start], years[k - 1], mass))
        else:
            k += 1
    return intervals


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "data", "radiocarbon")
    grids = {}
    for curve, age, sigma in CASES:
        if curve not in grids:
            grids[curve] = on_whole_years(read_curve(os.path.join(folder, curve + ".14c")))
        years, mus, sigmas = grids[curve]
        likelihood = []
        for mu, sc in zip(mus, sigmas):
            s2 = mpf(sigma) ** 2 + sc ** 2
            likelihood.append(exp(-(age - mu) ** 2 / (2 * s2)) / sqrt(s2))
        total = sum(likelihood)
        p = [x / total for x in likelihood]
        mode = years[max(range(len(p)), key=lambda k: (p[k], -k))]
        print(f"{curve} {age} {sigma} mode {mode}")
        for level in LEVELS:
            parts = [f"{a} {b} {mp.nstr(m, 8, min_fixed=-10, max_fixed=10)}"
                     for a, b, m in hpd(years, p, level)]
            print(f"  {level}: " + "; ".join(parts))


if __name__ == "__main__":
    main()
