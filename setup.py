# SPDX-License-Identifier: MIT
# Builds the extension vexal._vexal with the project's CMake build (the
# library static, compiled as position-independent code, linked into the
# module) and packs it with python/vexal. The version is the project's own,
# read from CMakeLists.txt.
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(vexal\s+VERSION\s+([0-9.]+)", text).group(1)


def pybind11_dir():
    # pybind11 from a build environment; Debian's is found by CMake itself.
    try:
        import pybind11
    except ImportError:
        return []
    return [f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"]


class cmake_build_ext(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        config = "Debug" if self.debug else "Release"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build),
                        f"-DCMAKE_BUILD_TYPE={config}",
                        f"-DPython_EXECUTABLE={sys.executable}",
                        "-DBUILD_SHARED_LIBS=OFF", "-DVEXAL_BUILD_PYTHON=ON",
                        "-DVEXAL_BUILD_TESTS=OFF", "-DVEXAL_BUILD_TOOLS=OFF",
                        "-DVEXAL_BUILD_EXAMPLES=OFF", "-DVEXAL_INSTALL=OFF",
                        *pybind11_dir()], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "vexal_python",
                        "--parallel", jobs], check=True)
        built = next((build / "python" / "vexal").glob("_vexal*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    version=project_version(),
    packages=["vexal"],
    package_dir={"": "python"},
    package_data={"vexal": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("vexal._vexal", sources=[])],
    cmdclass={"build_ext": cmake_build_ext},
    zip_safe=False,
)
