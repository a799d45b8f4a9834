"""pip install . : the Python module karven, built by the project's own CMake build.

setuptools configures the project with CMake for the interpreter that runs
pip, builds the module's target (the sources and their lists live in the
CMakeLists.txt files alone) and installs the module CMake made, with the
bundled global field models and radiocarbon calibration curves beside it
(karven_data/). Building
needs what the project's build needs (CMake, g++, Debian's libcli11-dev and
nlohmann-json3-dev), Python's headers and pybind11. Offline, into a
virtual environment that sees Debian's packages:

    python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation .
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version() -> str:
    """The version of the CMake project, the toolkit's one version."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(karven VERSION ([0-9.]+)", text).group(1)


class CMakeExtension(Extension):
    def __init__(self, name: str) -> None:
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        output = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve().parent
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
            f"-DPython3_EXECUTABLE={sys.executable}", "-DKARVEN_PYTHON_REQUIRED=ON",
            f"-DKARVEN_PYTHON_OUTPUT_DIRECTORY={output}",
        ]
        try:
            import pybind11  # Debian's python3-pybind11, or pip's in an isolated build
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # CMake finds Debian's pybind11-dev itself
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "karven_module",
                        "-j", str(os.cpu_count() or 1)], check=True)
        # The bundled global models and calibration curves, each folder with
        # its README (sources, licences, citations), in karven_data beside
        # the module, where the module looks for them.
        data = output / "karven_data"
        for kind in ("models", "radiocarbon"):
            shutil.rmtree(data / kind, ignore_errors=True)
            shutil.copytree(ROOT / "data" / kind, data / kind)


setup(
    name="karven",
    version=project_version(),
    description="Archaeomagnetic field models (regional and global), curves, dating and radiocarbon calibration",
    python_requires=">=3.9",
    install_requires=["numpy"],
    ext_modules=[CMakeExtension("karven")],
    cmdclass={"build_ext": CMakeBuild},
    # setuptools' build folders beside CMake's build/, not inside it.
    options={"build": {"build_base": "build-pip"}},
    zip_safe=False,
)
