#!/usr/bin/env python3
"""Independent reference values for karven-export's tests of global models.

Takes the field and the dipole from geomodel/tests/reference_field.py
(numpy alone, sharing nothing with the C++) and prints the rows that
karven_export_test.cpp embeds: ARCH10k.1 at Jerusalem (31.78 N, 35.22 E)
in the Iron Age, and its dipole in 1990.

Run:  python3 export/tests/reference_export.py
"""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "geomodel/tests"))
import reference_field as rf  # noqa: E402

arch = rf.read_model(ROOT / "data/models/ARCH10k.1")
print("# ARCH10k.1 at 31.78 N, 35.22 E: year, D, I (degrees), F (microtesla)")
for year in (-1000, -995, -500, -5, 0):
    r = rf.field(arch, 31.78, 35.22, year)
    print(f'    {{{year}, {r["D"]:.17g}, {r["I"]:.17g}, {r["F"]:.17g}}},')
m, plat, plon = rf.dipole(rf.gauss(arch, 1990))
print("# ARCH10k.1 dipole in 1990: moment (10^22 A m^2), pole latitude, longitude")
print(f"    {{1990, {m:.17g}, {plat:.17g}, {plon:.17g}}},")
