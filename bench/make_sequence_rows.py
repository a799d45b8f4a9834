#!/usr/bin/env python3
"""Writes sequence_rows.csv: a made-up pile of 100 superposed floors at
Paris (48.85 N, 2.35 E) for timing karven-date's sequences, not a
published data set.

The floors were fired from 100 to 1850 AD, oldest first, one every 17 to
18 years: each floor's direction and intensity is the demonstration
model's curve at its year, read from the site's curve file, moved by a
normal error of its own alpha95 and sigma (a fixed seed, so the file is
the same on every run). Each row is an event of its own; the file lists
them oldest first.

The demonstration model's field values are credited in
examples/README.md, which says what it is made of.

Run with the site's curve file, made by karven from examples/demo_coeff.inp:
    printf '48.85\\n2.35\\n' | karven && python3 make_sequence_rows.py psvc_karven.eu.26.dat
"""

import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"))
from make_demo_floors import curve, measured  # noqa: E402  shared with the demonstration floors

COUNT = 100
FIRST, LAST = 100, 1850


def main():
    values = curve(sys.argv[1])
    rng = random.Random(20261209)
    with open("sequence_rows.csv", "w") as out:
        out.write("name,dec,inc,a95,int,sigma_int,lat,lon\n")
        for k in range(COUNT):
            year = FIRST + round(k * (LAST - FIRST) / (COUNT - 1))
            d, i, a95, f, sigma_f = measured(values, year, rng)
            out.write("S%03d,%.1f,%.1f,%s,%.1f,%s,48.85,2.35\n" % (k + 1, d, i, a95, f, sigma_f))


if __name__ == "__main__":
    main()
