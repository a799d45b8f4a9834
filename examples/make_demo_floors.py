#!/usr/bin/env python3
"""Writes demo_floors.csv: a made-up pile of superposed oven floors for
trying karven-date's events and sequences, not a published data set.

Nine floors at one site (48.21 N, 16.37 E), fired every 40 to 60 years
from 1320 to 1740 AD: each floor's direction and intensity is the
demonstration model's curve at its year, read from the site's curve file,
moved by a normal error of its own alpha95 and sigma (a fixed seed, so the
file is the same on every run). Floor F5 holds two samples, one event. The
file lists the floors from the top of the pile, the youngest, down.

Run with the site's curve file, made by karven from demo_coeff.inp:
    printf '48.21\\n16.37\\n' | karven && python3 make_demo_floors.py psvc_karven.eu.26.dat
"""

import math
import random
import sys

YEARS = [1320, 1365, 1410, 1450, 1500, 1545, 1600, 1650, 1700, 1740]


def curve(path):
    """Year -> (D, I, F) from a curve file's epoch lines."""
    values = {}
    for line in open(path).read().splitlines()[17:]:
        year, d, i, f = (float(line[a:b]) for a, b in ((0, 7), (7, 17), (17, 27), (27, 37)))
        values[int(year)] = (d, i, f)
    return values


def at(values, year):
    low = 5 * (year // 5)
    high = min(low + 5, 1900)
    w = (year - low) / 5
    return [a + w * (b - a) for a, b in zip(values[low], values[high])]


def measured(values, year, rng):
    """The curve's direction and intensity at a year, moved by a normal
    error of an alpha95 and a sigma drawn for the sample: D, I, alpha95, F,
    sigma_F."""
    d, i, f = at(values, year)
    a95 = round(rng.uniform(1.8, 3.2), 1)
    sigma_f = round(rng.uniform(1.2, 2.5), 1)
    sigma_i = a95 / 2.448
    d += rng.gauss(0, sigma_i / math.cos(math.radians(i)))
    i += rng.gauss(0, sigma_i)
    f += rng.gauss(0, sigma_f)
    return d, i, a95, f, sigma_f


def main():
    values = curve(sys.argv[1])
    rng = random.Random(20261208)
    rows = []
    for k, year in enumerate(YEARS):
        floor = "F%d" % (len(YEARS) - k)
        samples = 2 if floor == "F5" else 1
        for s in range(samples):
            d, i, a95, f, sigma_f = measured(values, year, rng)
            name = floor + ("ab"[s] if samples > 1 else "")
            rows.append((name, "%.1f" % d, "%.1f" % i, a95, "%.1f" % f, sigma_f, floor))
    rows.reverse()  # the top of the pile first
    with open("demo_floors.csv", "w") as out:
        out.write("name,dec,inc,a95,int,sigma_int,lat,lon,event\n")
        for name, d, i, a95, f, sigma_f, floor in rows:
            out.write("%s,%s,%s,%s,%s,%s,48.21,16.37,%s\n" % (name, d, i, a95, f, sigma_f, floor))


if __name__ == "__main__":
    main()
