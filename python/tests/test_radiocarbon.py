"""Radiocarbon from Python: calibration, and 14C rows in events and sequences."""

import math

import numpy as np
import pytest

import karven
from conftest import ROOT

INTCAL20 = karven.CALIBRATION_CURVES["intcal20"]
JERUSALEM = (31.78, 35.22)


def test_calibrate_gives_the_independent_reference():
    # radiocarbon/tests/reference_calibration.py (mpmath, every year of
    # IntCal20): 2450 +- 30 BP.
    expected = {
        68.0: [(-745, -689, 0.23212625), (-663, -644, 0.082332668), (-560, -559, 0.0058704299),
               (-557, -557, 0.0028586541), (-548, -465, 0.30833621), (-435, -420, 0.049137378)],
        95.0: [(-751, -681, 0.26090934), (-667, -630, 0.11841191), (-623, -609, 0.025956129),
               (-592, -411, 0.54581706)],
    }
    dated = karven.calibrate(2450, 30)
    assert dated.mode == -716
    assert list(dated.intervals) == [68.0, 95.0]
    for level, intervals in expected.items():
        got = dated.intervals[level]
        assert [(a, b) for a, b, _ in got] == [(a, b) for a, b, _ in intervals]
        for (_, _, p), (_, _, q) in zip(got, intervals):
            assert p == pytest.approx(q, rel=1e-7)
    assert math.isclose(dated.density.sum(), 1.0, rel_tol=1e-12)
    assert dated.curve == f"IntCal20 ({INTCAL20['citation']})"
    assert dated.warnings == [] and dated.components == ()


def test_a_reservoir_offset_is_the_age_shifted_by_hand():
    offset = karven.calibrate(3000, 30, curve="Marine20", delta_r=100, delta_r_sigma=40)
    shifted = karven.calibrate(2900, 50, curve="marine20")
    np.testing.assert_array_equal(offset.years, shifted.years)
    np.testing.assert_allclose(offset.density, shifted.density, rtol=1e-12, atol=0)


def _intcal20_likelihood(years, age, sigma):
    """L(t) of an age on IntCal20, from the curve's rows by numpy alone."""
    rows = np.loadtxt(ROOT / "data" / "radiocarbon" / "intcal20.14c", delimiter=",",
                      comments="#", usecols=(0, 1, 2))
    rows = rows[np.argsort(1950 - rows[:, 0])]
    mu = np.interp(years, 1950 - rows[:, 0], rows[:, 1])
    sigma_c = np.interp(years, 1950 - rows[:, 0], rows[:, 2])
    s2 = sigma ** 2 + sigma_c ** 2
    return np.exp(-(age - mu) ** 2 / (2 * s2)) / np.sqrt(s2)


def test_an_event_of_a_14c_age_and_a_direction_is_their_product():
    model = karven.Model("ARCH10k.1")
    direction = dict(inc=52.0, a95=3.0, site=JERUSALEM)
    event = karven.date_event([{"c14_age": 2450, "c14_sigma": 30}, direction], model=model,
                              model_sigma=(2, 2, 3))
    alone = karven.date(model=model, model_sigma=(2, 2, 3), **direction)
    # The years both curves share: ARCH10k.1 from 8000 BC, IntCal20 to 1950.
    assert (event.years[0], event.years[-1]) == (-8000, 1950)
    years = event.years.astype(float)
    product = alone.density[alone.years <= 1950] * _intcal20_likelihood(years, 2450, 30)
    np.testing.assert_allclose(event.density, product / product.sum(), rtol=1e-9, atol=1e-300)
    assert event.degrees == 2
    # In a sequence the 14C age and the direction are events like any other.
    sequence = karven.date_sequence([{"c14_age": 2450, "c14_sigma": 30}, direction],
                                    model=model, model_sigma=(2, 2, 3))
    assert len(sequence.events) == 2 and sequence.events[0].mode <= sequence.events[1].mode


def test_a_14c_date_partly_outside_the_shared_years_is_warned_of():
    model = karven.Model("ARCH10k.1")
    event = karven.date_event([{"c14_age": 9000, "c14_sigma": 40},
                               {"inc": 52.0, "a95": 3.0, "site": JERUSALEM}],
                              model=model, model_sigma=(2, 2, 3))
    calibrated = karven.calibrate(9000, 40)
    share = calibrated.density[calibrated.years < -8000].sum()
    assert share > 0.01
    assert event.warnings[0] == (f"row 1: the radiocarbon age's calibrated date lies "
                                 f"{100 * share:.1f}% outside the years the rows' curves share, "
                                 f"year -8000 to 1950 AD; that part is left out")


@pytest.mark.parametrize("call, error, message", [
    (lambda: karven.date_event([{"c14_age": 2450, "c14_sigma": 30, "inc": 60, "a95": 3}]),
     ValueError, 'row 1: a row holds either a measurement or a radiocarbon age, never both: '
                 '"inc" with "c14_age"'),
    (lambda: karven.calibrate(2450, 0), ValueError,
     "sigma: the 14C age's sigma must be a positive number"),
    (lambda: karven.calibrate(60000, 500), ValueError,
     "age: the 14C age 60000 +- 500 BP is older than the oldest age of IntCal20, 50193 BP, by "
     "more than 4 sigmas; it cannot be calibrated"),
    (lambda: karven.date_event([{"c14_age": -200, "c14_sigma": 30}]), ValueError,
     "row 1: c14_age: the 14C age -200 +- 30 BP is younger than the youngest age of IntCal20, "
     "95 BP, by more than 4 sigmas; it cannot be calibrated"),
    (lambda: karven.calibrate(2450, 30, levels=0.95), ValueError,
     "levels: a level is in percent, e.g. 95 for 95%; read 0.95, which would be 0.95%"),
])
def test_refusals_name_what_is_wrong(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value) == message


def test_a_curve_that_cannot_be_read_is_an_oserror(tmp_path):
    with pytest.raises(OSError):
        karven.calibrate(2450, 30, curve=tmp_path / "missing.14c")
