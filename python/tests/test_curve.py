"""The model, its curves and the curve readers, against the files the programs write."""

import subprocess
import sys

import numpy as np
import pytest

import karven
from conftest import CURVE_FILE, DEMO, KARVEN_EXPORT, run_karven

QUANTITIES = ["declination", "inclination", "intensity",
              "declination_error_95", "inclination_error_95", "intensity_error_95"]


def curve_file_table(path):
    """The epoch lines of a curve file, read on their own: seven numbers each."""
    lines = path.read_text().splitlines()[17:]
    return np.array([[float(field) for field in line.split()] for line in lines])


def table_of(curve):
    return np.column_stack([curve.year] + [getattr(curve, name) for name in QUANTITIES])


# Paris, the cap's pole typed exactly (computed at 45.001, 8.001, shown as
# typed) and a corner of the region.
@pytest.mark.parametrize("latitude, longitude", [("48.85", "2.35"), ("45", "8"), ("35", "-15")])
def test_model_curve_rounds_to_the_curve_file_of_karven(tmp_path, latitude, longitude):
    expected = curve_file_table(run_karven(tmp_path, latitude, longitude))
    curve = karven.Model(DEMO).curve(float(latitude), float(longitude))
    assert (curve.latitude, curve.longitude) == (float(latitude), float(longitude))
    assert curve.model == "KARVEN.EU.26"
    # The file's two decimals, rounded from the exact binary value, halves
    # to even: Python's format rounds so.
    rounded = np.vectorize(lambda value: float(f"{value:.2f}"))(table_of(curve))
    np.testing.assert_array_equal(rounded, expected)


def test_read_curve_gives_the_files_values_and_site(paris):
    curve = karven.read_curve(paris)
    np.testing.assert_array_equal(table_of(curve), curve_file_table(paris))
    assert (curve.latitude, curve.longitude, curve.model) == (48.85, 2.35, "KARVEN.EU.26")
    assert curve.source == f"KARVEN.EU.26 at 48.85 N, 2.35 E ({paris})"
    with pytest.raises(ValueError, match="read-only"):
        curve.inclination[0] = 0.0


def test_read_ref_gives_the_exported_curve_with_sigma_times_1_96(paris):
    prefix = str(paris)[: -len(".dat")]
    ref = karven.read_ref(inclination=prefix + "_i.ref", intensity=prefix + "_f.ref")
    curve = karven.read_curve(paris)
    assert ref.declination is None and ref.declination_error_95 is None
    # The site of the files' site line; a .ref file names no model.
    assert (ref.latitude, ref.longitude, ref.model) == (48.85, 2.35, None)
    np.testing.assert_array_equal(ref.year, curve.year)
    np.testing.assert_array_equal(ref.inclination, curve.inclination)
    np.testing.assert_allclose(ref.intensity_error_95, curve.intensity_error_95, rtol=1e-15)
    assert ref.source == f"I: {prefix}_i.ref, F: {prefix}_f.ref"


def test_read_ref_warns_what_the_reader_notes(tmp_path):
    path = tmp_path / "a_i.ref"
    path.write_text("0,64.0,1.0\n5,#REF!,1.0\n10,64.4,1.0\n")
    with pytest.warns(UserWarning) as caught:
        curve = karven.read_ref(inclination=path)
    note = f'{path}, line 2: the value "#REF!" is not a number; the year 5 is taken as a gap'
    assert [str(warning.message) for warning in caught] == [note]
    assert curve.notes == [note]
    np.testing.assert_array_equal(curve.inclination, [64.0, np.nan, 64.4])


def test_field_broadcasts_sites_as_numpy_does():
    model = karven.Model(DEMO)
    lat = np.array([40.0, 45.0, 50.0])
    lon = np.array([-5.0, 0.0, 8.0, 20.0])
    grid = model.field(lat[:, None], lon[None, :])
    at_1000 = model.field(lat[:, None], lon[None, :], year=1000)
    assert list(grid) == QUANTITIES and list(at_1000) == QUANTITIES
    curve = model.curve(45.0, 8.0)  # lat[1], lon[2]
    for name in QUANTITIES:
        assert grid[name].shape == (3, 4, 381) and at_1000[name].shape == (3, 4)
        np.testing.assert_array_equal(grid[name][1, 2], getattr(curve, name))
        np.testing.assert_array_equal(at_1000[name], grid[name][:, :, 200])
    assert model.field(48.85, 2.35)["intensity"].shape == (381,)
    assert model.field(48.85, 2.35, year=1900.0)["intensity"].shape == ()
    assert model.field([[48.85]], [2.35, 3.0], year=0)["intensity"].shape == (1, 2)
    np.testing.assert_array_equal(model.years, curve.year)


@pytest.mark.parametrize("call, error, message", [
    (lambda model: model.field(48.85, 2.35, year=1003), ValueError,
     "year: 1003 is not an epoch of the model; the epochs around it are 1000 and 1005 AD"),
    (lambda model: model.field(48.85, 2.35, year=-5), ValueError,
     "year: the model's epochs are the years 0 to 1900 AD, every 5 years: -5"),
    (lambda model: model.field([48.85, 60.5], 2.35), ValueError,
     "the site 60.5, 2.35 lies outside the model's region: latitude 35 N to 60 N, "
     "longitude 15 W to 30 E"),
    (lambda model: model.curve(48.85, float("nan")), ValueError,
     "the site 48.85, NaN lies outside the model's region: latitude 35 N to 60 N, "
     "longitude 15 W to 30 E"),
])
def test_bad_sites_and_years_are_named(call, error, message):
    with pytest.raises(error) as raised:
        call(karven.Model(DEMO))
    assert str(raised.value) == message


def test_unreadable_files_raise_oserror_and_others_valueerror(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    (tmp_path / "folder").mkdir()
    (tmp_path / "short.inp").write_text("1.5 2.5\n")
    # The model's numbers without the 3806th, and a trailer that hides it.
    numbers = open(DEMO).read().split()
    del numbers[3805]
    (tmp_path / "shifted.inp").write_text(" ".join(numbers) + " 1.0 2.0 3.0\n")
    (tmp_path / "short.dat").write_text("KARVEN.EU.26 Regional Archaeomagnetic Model\n")
    cases = [
        (lambda: karven.Model("missing.inp"), OSError,
         "the coefficient file missing.inp cannot be opened: No such file or directory"),
        (lambda: karven.Model("folder"), OSError,
         "the coefficient file folder cannot be read: Is a directory"),
        (lambda: karven.Model("short.inp"), ValueError,
         "the coefficient file short.inp ends after 2 numbers; it must hold 7620 (381 rows of 20)"),
        (lambda: karven.Model("shifted.inp"), ValueError,
         "the coefficient file shifted.inp holds an error of a relative coefficient above 0.5 "
         "at line 1: \"2.68578676E+01\" (column 20, the error of c9, in the row of 950 AD, "
         "row 191); the file's numbers seem shifted by one number missing at or before this row"),
        (lambda: karven.read_curve("missing.dat"), OSError,
         "cannot read missing.dat: No such file or directory"),
        (lambda: karven.read_curve("short.dat"), ValueError,
         "short.dat ends after line 1, inside the 17-line header; not a curve file"),
        (lambda: karven.read_ref(intensity="missing.ref"), OSError,
         "cannot read missing.ref: No such file or directory"),
    ]
    for call, error, message in cases:
        with pytest.raises(error) as raised:
            call()
        assert type(raised.value) is error and str(raised.value) == message


def test_to_pandas_is_karven_exports_csv_table(paris):
    pandas = pytest.importorskip("pandas")
    subprocess.run([KARVEN_EXPORT, "--format", "csv"], cwd=paris.parent, check=True,
                   stdout=subprocess.DEVNULL)
    table = pandas.read_csv(paris.parent / CURVE_FILE.replace(".dat", ".csv"))
    pandas.testing.assert_frame_equal(karven.read_curve(paris).to_pandas(), table,
                                      check_dtype=False)


def test_to_pandas_without_pandas_says_what_to_install(paris, monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError) as raised:
        karven.read_curve(paris).to_pandas()
    assert str(raised.value) == ("Curve.to_pandas needs pandas, which is not installed "
                                 "(apt-get install python3-pandas, or pip install pandas)")
