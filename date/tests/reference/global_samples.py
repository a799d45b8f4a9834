#!/usr/bin/env python3
"""Measurements that lie on ARCH10k.1's curve at Jerusalem, for the tests
of dating against a global model.

The field comes from the independent evaluation of the global models'
tests (geomodel/tests/reference_field.py, numpy alone, sharing nothing with
the C++). A measurement equal to the curve at year Y has a chi-square of 0
there and a positive one at every other year, so its most probable year is
Y whatever its sigmas.

Run:  python3 date/tests/reference/global_samples.py
"""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(ROOT / "geomodel/tests"))
import reference_field  # noqa: E402

SITE = (31.78, 35.22)  # Jerusalem
YEARS = [-1000, -700, -400]


def main():
    model = reference_field.read_model(ROOT / "data/models/ARCH10k.1")
    print("# year, D, I (degrees), F (microtesla) of ARCH10k.1 at 31.78 N, 35.22 E")
    for year in YEARS:
        r = reference_field.field(model, SITE[0], SITE[1], year)
        print(f'{year}, {r["D"]:.10f}, {r["I"]:.10f}, {r["F"]:.10f}')


if __name__ == "__main__":
    main()
