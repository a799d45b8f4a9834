"""What the tests of the module share: the built programs and curve files they write.

ctest gives the programs and the demonstration coefficient file through the
environment; run by hand, the tests take those of build/ (with build/python
on PYTHONPATH).
"""

import json
import os
import pathlib
import shutil
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]


def _path(variable: str, default: str) -> pathlib.Path:
    return pathlib.Path(os.environ.get(variable, ROOT / default))


KARVEN = _path("KARVEN_PROGRAM", "build/driver/karven")
KARVEN_DATE = _path("KARVEN_DATE_PROGRAM", "build/date/karven-date")
KARVEN_EXPORT = _path("KARVEN_EXPORT_PROGRAM", "build/export/karven-export")
DEMO = _path("KARVEN_DEMO_COEFFICIENTS", "examples/demo_coeff.inp")
CURVE_FILE = "psvc_karven.eu.26.dat"


def run_karven(folder: pathlib.Path, latitude: str, longitude: str) -> pathlib.Path:
    """The curve file that karven writes in folder for the typed answers."""
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(DEMO, folder / "KARVEN_coeff.inp")
    subprocess.run([KARVEN], input=f"{latitude}\n{longitude}\n", text=True, cwd=folder,
                   check=True, stdout=subprocess.DEVNULL)
    return folder / CURVE_FILE


def run_karven_date(arguments: list, cwd: pathlib.Path) -> subprocess.CompletedProcess:
    return subprocess.run([KARVEN_DATE, *arguments], cwd=cwd, text=True, capture_output=True)


def karven_date_json(arguments: list, cwd: pathlib.Path):
    run = run_karven_date([*arguments, "--json"], cwd)
    assert run.returncode == 0, run.stderr
    return json.loads(run.stdout)


@pytest.fixture(scope="session")
def paris(tmp_path_factory) -> pathlib.Path:
    """karven's curve file of Paris (48.85 N, 2.35 E), with its .ref files
    beside it (karven-export)."""
    folder = tmp_path_factory.mktemp("paris")
    curve_file = run_karven(folder, "48.85", "2.35")
    subprocess.run([KARVEN_EXPORT], cwd=folder, check=True, stdout=subprocess.DEVNULL)
    return curve_file
