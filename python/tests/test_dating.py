"""Dating from Python, against karven-date run on the same curve file."""

import math

import numpy as np
import pytest

import karven
from conftest import DEMO, karven_date_json, run_karven_date

# A measurement as karven-date's options and as date()'s keywords.
MEASUREMENTS = [
    (["--dec", "4", "--inc", "64.5", "--a95", "2.5", "--int", "59", "--sigma-int", "2.5",
      "--level", "68", "--level", "95"],
     dict(dec=4, inc=64.5, a95=2.5, intensity=59, sigma_intensity=2.5, levels=(68, 95))),
    (["--inc", "63.1", "--a95", "3.2", "--level", "50.5"],
     dict(inc=63.1, a95=3.2, levels=[50.5])),
    # Far from the curve: a warning.
    (["--inc", "64.5", "--a95", "2.5", "--int", "90", "--sigma-int", "1"],
     dict(inc=64.5, a95=2.5, intensity=90, sigma_intensity=1)),
]


def as_command_json(dating):
    """A Dating in the names and roundings of karven-date's JSON."""
    def rounded(probability):
        return float(f"{probability:.10g}")

    return {
        "name": "measurement",
        "components": list(dating.components),
        "mode": dating.mode,
        "levels": [{
            "level": int(level) if level == math.floor(level) else level,
            "total": rounded(dating.totals[level]),
            "intervals": [{"from": start, "to": end, "probability": rounded(probability)}
                          for start, end, probability in intervals],
        } for level, intervals in dating.intervals.items()],
        "warnings": dating.warnings,
        "sigmas": {letter: rounded(sigma) for letter, sigma in dating.sigmas.items()},
        "span": {"first": int(dating.years[0]), "last": int(dating.years[-1])},
        "curve": dating.curve,
    }


@pytest.mark.parametrize("options, keywords", MEASUREMENTS)
def test_date_is_karven_dates_json(paris, options, keywords):
    expected = karven_date_json([*options, str(paris)], paris.parent)
    from_file = karven.date(karven.read_curve(paris), **keywords)
    assert as_command_json(from_file) == expected
    # The model's curve at the same site is dated as its curve file.
    from_model = karven.date(karven.Model(DEMO).curve(48.85, 2.35), **keywords)
    np.testing.assert_array_equal(from_model.density, from_file.density)
    assert from_model.intervals == from_file.intervals
    assert from_file.years[0] == 0 and from_file.years[-1] == 1900
    assert math.isclose(from_file.density.sum(), 1.0, rel_tol=1e-12)
    for letter in from_file.components:
        assert math.isclose(from_file.densities[letter].sum(), 1.0, rel_tol=1e-12)


# karven-date's options and date()'s keywords for the same bad value.
BAD_VALUES = [
    (["--inc", "-90.5", "--a95", "2"], dict(inc=-90.5, a95=2)),
    (["--inc", "60", "--a95", "90"], dict(inc=60, a95=90)),
    (["--dec", "4", "--inc", "60"], dict(dec=4, inc=60)),
    (["--dec", "3", "--inc", "90", "--a95", "2"], dict(dec=3, inc=90, a95=2)),
    (["--a95", "2"], dict(a95=2)),
    (["--int", "0", "--sigma-int", "1"], dict(intensity=0, sigma_intensity=1)),
    (["--int", "59", "--sigma-int", "-1"], dict(intensity=59, sigma_intensity=-1)),
    ([], dict()),
]
KEYWORD_OF_OPTION = {"--dec": "dec", "--inc": "inc", "--a95": "a95", "--int": "intensity",
                     "--sigma-int": "sigma_intensity"}


@pytest.mark.parametrize("options, keywords", BAD_VALUES)
def test_bad_values_raise_karven_dates_message_naming_the_keyword(paris, options, keywords):
    run = run_karven_date([*options, str(paris)], paris.parent)
    assert run.returncode == 1
    message = run.stderr.rstrip("\n").removeprefix("karven-date: ")
    option, _, rest = message.partition(": ")
    if option in KEYWORD_OF_OPTION:
        message = KEYWORD_OF_OPTION[option] + ": " + rest
    with pytest.raises(ValueError) as raised:
        karven.date(karven.read_curve(paris), **keywords)
    assert str(raised.value) == message


def test_other_bad_arguments_are_named(paris, tmp_path):
    curve = karven.read_curve(paris)
    # An inclination curve whose site is not known: no site line.
    exported = open(str(paris)[: -len(".dat")] + "_i.ref").read().splitlines(keepends=True)
    siteless = tmp_path / "siteless_i.ref"
    siteless.write_text("".join(line for line in exported if not line.startswith("# Site:")))
    ref = karven.read_ref(inclination=str(siteless))
    cases = [
        (lambda: karven.date(curve, inc=60, a95=2, levels=(68, 100)), ValueError,
         "levels: an HPD level lies between 0 and 100 percent: 100"),
        (lambda: karven.date(curve, inc="60", a95=2), TypeError,
         "inc: expected a number or None, got str"),
        (lambda: karven.date(ref, dec=4, inc=60, a95=2), ValueError,
         "the declination is measured: give its reference curve, read_ref(declination=...)"),
        (lambda: karven.date(ref, inc=60, a95=2, site=(50, 3)), ValueError,
         "site: the curve's site is unknown (a curve of .ref files without a site line), so the "
         "measurement cannot "
         "be relocated to it; leave out site= to take the measurement at the curve's site"),
        (lambda: karven.date_sequence([dict(inc=60, a95=2), [dict(inc=60, a95=2), dict(inc=91)]],
                                      curve=curve), ValueError,
         "event 2, row 2: inc: the inclination must lie between -90 and 90 degrees: 91"),
        (lambda: karven.date_event([dict(inc=60, a95=2, dec_=1)], curve=curve), ValueError,
         'row 1: unknown key "dec_"; the keys are curve, dec, inc, a95, intensity, '
         "sigma_intensity, site, and for a radiocarbon age c14_age, c14_sigma, c14_curve, "
         "delta_r, delta_r_sigma"),
        (lambda: karven.date_sequence([dict(inc=60, a95=2)], order="bottom-up", curve=curve),
         ValueError, 'order: expected "oldest-first" or "youngest-first", got "bottom-up"'),
    ]
    for call, error, message in cases:
        with pytest.raises(error) as raised:
            call()
        assert str(raised.value) == message


def test_relocation_carries_the_measurement_to_the_curves_site(paris):
    curve = karven.read_curve(paris)
    site = (53.87, 10.81)  # measured at Lübeck, dated against Paris
    dating = karven.date(curve, inc=70.9, a95=2.8, intensity=60.2, sigma_intensity=2.2, site=site)
    # The virtual axial dipole moment's factor and the great circle, in
    # closed form on a sphere of 6371 km.
    lat0, lon0, lat1, lon1 = map(math.radians, (*site, 48.85, 2.35))
    factor = math.sqrt(1 + 3 * math.sin(lat1) ** 2) / math.sqrt(1 + 3 * math.sin(lat0) ** 2)
    distance = 6371.0 * math.acos(math.sin(lat0) * math.sin(lat1) +
                                  math.cos(lat0) * math.cos(lat1) * math.cos(lon1 - lon0))
    relocation = dating.relocation
    assert math.isclose(relocation["intensity"], 60.2 * factor, rel_tol=1e-14)
    assert math.isclose(relocation["sigma_intensity"], 2.2 * factor, rel_tol=1e-14)
    assert math.isclose(relocation["distance_km"], distance, rel_tol=1e-9)
    assert relocation["declination_assumed"] and relocation["dec"] is None
    # Lower latitude, shallower dipole inclination.
    assert relocation["inc"] < 70.9
    assert dating.sigmas["F"] == relocation["sigma_intensity"]
    assert karven.date(curve, inc=70.9, a95=2.8).relocation is None


def test_events_and_sequences_keep_the_order_given(paris):
    curve = karven.read_curve(paris)
    floors = [dict(inc=64.5, a95=2.5), [dict(inc=65.2, a95=2.0), dict(intensity=60, sigma_intensity=3)],
              dict(inc=66, a95=3)]
    up = karven.date_sequence(floors, curve=curve, levels=(68, 95))
    down = karven.date_sequence(floors[::-1], order="youngest-first", curve=curve, levels=(68, 95))
    assert len(up.events) == 3 and up.agreement == down.agreement
    for a, b in zip(up.events, down.events[::-1]):
        np.testing.assert_array_equal(a.density, b.density)
        assert (a.mode, a.intervals, a.agreement) == (b.mode, b.intervals, b.agreement)
    # An event of one row is that row's date; the one of two rows, its rows'
    # likelihoods multiplied, is the date of both measured as one sample.
    one_row = karven.date_event([floors[0]], curve=curve, levels=(68, 95))
    alone = karven.date(curve, **floors[0], levels=(68, 95))
    np.testing.assert_allclose(one_row.density, alone.density, rtol=1e-12, atol=1e-300)
    assert one_row.mode == alone.mode
    for level in (68, 95):
        assert ([interval[:2] for interval in one_row.intervals[level]] ==
                [interval[:2] for interval in alone.intervals[level]])
    both = karven.date(curve, inc=65.2, a95=2.0, intensity=60, sigma_intensity=3, levels=(68, 95))
    np.testing.assert_allclose(up.events[1].alone.density, both.density, rtol=1e-12, atol=1e-300)
    assert up.events[1].alone.degrees == 2


def test_the_module_keeps_the_commands_rules(paris):
    curve = karven.read_curve(paris)
    # A row far from the curve warns in its event's date, as in the command's
    # report; a sequence leaves the event out.
    far = karven.date_event([dict(intensity=199, sigma_intensity=0.5)], curve=curve)
    assert far.warnings == [
        "row 1: the measurement meets the curve nowhere: its smallest chi-square, 9536.17 at 0 AD, "
        "exceeds 3.841, the 95% point for 1 component; the date is doubtful",
        "the 95% HPD interval begins at the curve's first year, 0 AD: the date may lie before the "
        "curve's span",
        "the event meets the curve nowhere: its smallest chi-square, 9536.17 at 0 AD, exceeds "
        "3.841, the 95% point for 1 component; the date is doubtful"]
    sequence = karven.date_sequence([dict(intensity=199, sigma_intensity=0.5),
                                     dict(intensity=60, sigma_intensity=1)], curve=curve)
    assert sequence.events[0].warnings == [
        "the event meets the curve nowhere and is left out of the sequence"]
    assert math.isnan(sequence.events[0].agreement)
    assert sequence.events[1].mode == karven.date(curve, intensity=60, sigma_intensity=1).mode
    # What karven-date refuses, the module refuses with the same words.
    with pytest.raises(ValueError, match="^dec: a declination at a pole is measured from no "
                                         "meridian"):
        karven.date(curve, dec=4, inc=64.5, a95=2.5, site=(90, 0))
    with pytest.raises(ValueError, match=r"^dec: the declination must lie between -360 and 360 "
                                         r"degrees: 1e\+300$"):
        karven.date(curve, dec=1e300, inc=64.5, a95=2.5)
    with pytest.raises(ValueError, match="^site: a longitude lies between -180 and 360 degrees: "
                                         "362.35$"):
        karven.date(curve, inc=64.5, a95=2.5, site=(48.85, 362.35))
    with pytest.raises(TypeError, match="^inc: expected a number or None, got bool$"):
        karven.date(curve, inc=True, a95=2.5)
