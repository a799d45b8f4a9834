#!/usr/bin/env python3
"""Reference values of karven-map's global-model test, from the independent
evaluation of geomodel/tests/reference_field.py (numpy alone, sharing
nothing with the C++): ARCH10k.1 at the year -1000 at a few nodes of a
world grid and of a region across the date line.

Run:  /usr/bin/python3 map/tests/reference_map_values.py
It prints the rows that karven_map_test.cpp embeds: lat, lon, D, I, F.
"""
import math
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "geomodel/tests"))
import reference_field as ref  # noqa: E402

NODES = [(31, 35), (-40, 180), (-40, 185), (-40, -175), (89, 10), (-90, 0), (90, 0)]

model = ref.read_model(ROOT / "data/models/ARCH10k.1")
for lat, lon in NODES:
    f = ref.field(model, lat, lon, -1000.0)
    # At a geographic pole north has no direction: no declination.
    d = "NAN" if abs(lat) == 90 else repr(f["D"])
    print(f"{{{lat}, {lon}, {d}, {f['I']!r}, {f['F']!r}}},")
