"""Global models from Python: the field against the independent numpy
evaluation geomodel/tests/reference_field.py, curves, the dipole, dating."""

import importlib.util
import math

import numpy as np
import sys

import pytest

import karven
from conftest import DEMO, ROOT


def _reference():
    sys.path.insert(0, str(ROOT / "geomodel" / "tests"))
    try:
        return importlib.import_module("reference_field")
    finally:
        sys.path.pop(0)


REFERENCE = _reference()
ARCH = karven.Model("ARCH10k.1")
ARCH_FILE = REFERENCE.read_model(ROOT / "data" / "models" / "ARCH10k.1")
JERUSALEM = (31.78, 35.22)
CITATION = karven.MODELS["ARCH10k.1"]["citation"]


def test_field_is_the_independent_evaluation_and_the_readme_check_values():
    # The models README's check values, and sites at a pole and across the
    # date line, as one broadcast call of sites and years.
    sites = [(31.78, 35.22, -1000), (-12.05, -77.04, 1000), (89.5, 170.0, 500),
             (-60.0, 179.9, -5000), (-60.0, 180.1, -5000), (-60.0, -179.9, -5000)]
    lat, lon, year = (np.array(column) for column in zip(*sites))
    field = karven.Model("arch10k.1").field(lat, lon, year)
    for k, (la, lo, t) in enumerate(sites):
        expected = REFERENCE.field(ARCH_FILE, la, lo, t)
        tolerance = 1e-9 * expected["F"] * 1000  # of F, in nT
        assert abs(field["north"][k] - expected["X"]) < tolerance
        assert abs(field["east"][k] - expected["Y"]) < tolerance
        assert abs(field["down"][k] - expected["Z"]) < tolerance
    shown = [[round(field[key][k], 2) for key in ("declination", "inclination", "intensity")]
             for k in range(2)]
    assert shown == [[3.93, 62.28, 66.50], [-2.55, -48.14, 49.77]]
    # 180.1 E is 179.9 W.
    assert field["intensity"][4] == pytest.approx(field["intensity"][5], rel=1e-12)


def test_at_a_pole_the_declination_is_nan_and_the_field_vertical_part_defined():
    field = ARCH.field(90.0, 0.0, 1000.0)
    assert math.isnan(field["declination"]) and math.isnan(field["north"])
    expected = REFERENCE.field(ARCH_FILE, 90.0, 0.0, 1000.0)
    assert field["down"] == pytest.approx(expected["Z"], rel=1e-9)
    curve = ARCH.curve(-90.0, 0.0, years=[0.0, 1.0])
    assert np.isnan(curve.declination).all() and not np.isnan(curve.inclination).any()


def test_a_curve_is_the_field_year_by_year():
    curve = ARCH.curve(*JERUSALEM, span=(-1000, 0, 7))
    years = np.arange(-1000, 0, 7).tolist() + [0]
    assert curve.year.tolist() == years
    field = ARCH.field(*JERUSALEM, np.array(years))
    for name in ("declination", "inclination", "intensity"):
        np.testing.assert_array_equal(getattr(curve, name), field[name])
    assert curve.declination_error_95 is None
    given = ARCH.curve(*JERUSALEM, years=years, model_sigma=(2, 2, 3))
    np.testing.assert_array_equal(given.inclination, curve.inclination)
    np.testing.assert_array_equal(given.intensity_error_95, np.full(len(years), 3 * 1.96))
    # The whole span every 5 years by default, its last year included.
    whole = ARCH.curve(*JERUSALEM)
    assert (whole.year[0], whole.year[1], whole.year[-1]) == (-8000, -7995, 1990)
    assert repr(curve) == (f"<karven.Curve ARCH10k.1 at 31.78 N, 35.22 E ({CITATION}), "
                           "144 epochs, -1000 to 0 AD>")


def test_the_dipole_at_1990_is_near_dgrf_1990():
    dipole = ARCH.dipole([1990.0, -1000.0])
    assert dipole["moment"][0] == pytest.approx(7.84, abs=0.02)
    assert dipole["pole_latitude"][0] == pytest.approx(79.1, abs=0.3)
    assert dipole["pole_longitude"][0] == pytest.approx(-71.1, abs=0.3)
    expected = REFERENCE.dipole(REFERENCE.gauss(ARCH_FILE, -1000.0))
    assert dipole["moment"][1] == pytest.approx(expected[0], rel=1e-9)
    assert dipole["pole_latitude"][1] == pytest.approx(expected[1], abs=1e-9)


def test_dating_against_a_global_model_is_dating_against_its_curve():
    measurement = dict(inc=55.0, a95=2.5, intensity=62.0, sigma_intensity=3.0)
    by_model = karven.date(model=ARCH, model_sigma=(2, 2, 3), site=JERUSALEM, **measurement)
    curve = ARCH.curve(*JERUSALEM, span=(-8000, 1990, 1), model_sigma=(2, 2, 3))
    by_curve = karven.date(curve, **measurement)
    np.testing.assert_array_equal(by_model.density, by_curve.density)
    assert by_model.intervals == by_curve.intervals
    assert by_model.curve == f"ARCH10k.1 at 31.78 N, 35.22 E ({CITATION})"
    assert (by_model.years[0], by_model.years[-1]) == (-8000, 1990)
    # A span limits the grid; a sigma of 0 is warned of.
    short = karven.date(model=ARCH, model_sigma=(2, 0, 3), span=(-1000, 0), site=JERUSALEM,
                        **measurement)
    assert (short.years[0], short.years[-1]) == (-1000, 0)
    assert short.warnings[0] == ("the model's curve is given a standard deviation of 0: the "
                                 "curve's own uncertainty is not counted")


NO_SIGMA = ("the curve of ARCH10k.1 has no errors (a global model gives none), and a date needs "
            "them: give model_sigma=(D, I, F), the curve's standard deviation in degrees, degrees "
            "and microtesla (0 counts none)")


@pytest.mark.parametrize("call, error, message", [
    (lambda: karven.date(model=ARCH, inc=55, a95=2.5, site=JERUSALEM), ValueError, NO_SIGMA),
    (lambda: karven.date(ARCH.curve(*JERUSALEM), inc=55, a95=2.5), ValueError, NO_SIGMA),
    (lambda: karven.date_event([{"inc": 55, "a95": 2.5, "site": JERUSALEM}], model=ARCH),
     ValueError, "row 1: " + NO_SIGMA),
    (lambda: karven.date(model=ARCH, model_sigma=(2, 2, 3), inc=55, a95=2.5), ValueError,
     "site: a measurement dated against ARCH10k.1 needs its site, (latitude, longitude), where "
     "the model's curve is made"),
    (lambda: ARCH.field(*JERUSALEM, 2000), ValueError,
     "the year 2000 is outside the span of ARCH10k.1, -8000 to 1990"),
    (lambda: ARCH.curve(*JERUSALEM, span=(1900, 2000)), ValueError,
     "span: 1900 to 2000 is outside the span of ARCH10k.1, -8000 to 1990"),
    (lambda: ARCH.curve(*JERUSALEM, span=(0, 10.5)), ValueError,
     "span: expected whole years, got 10.5"),
    (lambda: ARCH.curve(*JERUSALEM, model_sigma=(2, -1, 3)), ValueError,
     "model_sigma: each standard deviation must be finite and 0 or more: -1"),
    (lambda: ARCH.field(*JERUSALEM), ValueError,
     "year: a global model's field needs a year of its span, years AD"),
    (lambda: karven.Model(DEMO).dipole(1000), ValueError,
     "dipole: KARVEN.EU.26 is a regional model, without the Gauss coefficients of a dipole"),
    (lambda: karven.Model(DEMO).curve(48.85, 2.35, span=(0, 100)), ValueError,
     "the regional model's curve has its own 381 epochs and errors: span=, years= and "
     "model_sigma= are for a global model"),
    (lambda: karven.date(ARCH.curve(*JERUSALEM), model=ARCH, inc=55, a95=2.5), ValueError,
     "give curve= or model=, not both"),
])
def test_refusals_name_what_is_wrong(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


def test_models_name_themselves_and_their_citation():
    assert repr(ARCH) == (f"<karven.Model ARCH10k.1, global, degree 10, year -8000 to 1990 AD; "
                          f"{CITATION}>")
    assert ARCH.source == f"ARCH10k.1 ({CITATION})"
    assert (ARCH.family, ARCH.span, ARCH.years) == ("global", (-8000.0, 1990.0), None)
    regional = karven.Model(DEMO)
    assert (regional.family, regional.name, len(regional.years)) == ("regional", "KARVEN.EU.26", 381)
    with pytest.raises(OSError):
        karven.Model("no-such-model")
