# SPDX-License-Identifier: MIT
# The build backend of the Python package: setuptools' own (setup.py drives
# the project's CMake build), asking the front end for the cmake and pybind11
# distributions only when the machine lacks them, so that an offline build
# with Debian's cmake and pybind11-dev (pip --no-build-isolation,
# python3 -m build --no-isolation) needs nothing from the network.
import os
import shutil

from setuptools import build_meta
from setuptools.build_meta import *  # noqa: F401,F403 (the backend's hooks)

# Where CMake finds a pybind11 installed by the system's packages.
PYBIND11_CONFIGS = [f"/usr/{prefix}{share}/cmake/pybind11/pybind11Config.cmake"
                    for prefix in ("", "local/") for share in ("lib", "share")]


def missing_tools():
    missing = [] if shutil.which("cmake") else ["cmake>=3.20"]
    try:
        import pybind11  # noqa: F401
    except ImportError:
        if not any(os.path.exists(path) for path in PYBIND11_CONFIGS):
            missing.append("pybind11>=2.10")
    return missing


def get_requires_for_build_wheel(config_settings=None):
    return build_meta.get_requires_for_build_wheel(config_settings) + missing_tools()


def get_requires_for_build_editable(config_settings=None):
    return build_meta.get_requires_for_build_editable(config_settings) + missing_tools()
