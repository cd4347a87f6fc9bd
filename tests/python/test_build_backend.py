# SPDX-License-Identifier: MIT
# The package's build backend (python/vexal_build.py) without running CMake:
# the wheel it writes must install with pip (names, tag, a RECORD whose
# hashes match), its metadata and sdist must carry what a build needs, and
# each missing prerequisite must be named in one line.
import base64
import csv
import hashlib
import importlib.util
import io
import shutil
import sys
import sysconfig
import tarfile
import zipfile
from pathlib import Path

import pytest

# Loaded from its file: python/ on sys.path would shadow the built package.
_source = importlib.util.spec_from_file_location(
    "vexal_build", Path(__file__).resolve().parents[2] / "python" / "vexal_build.py")
vexal_build = importlib.util.module_from_spec(_source)
_source.loader.exec_module(vexal_build)

VERSION = vexal_build.version()


def test_the_wheel_records_every_file_with_its_hash(tmp_path):
    files = {"vexal/__init__.py": b"x = 1\n", "vexal/_vexal.so": bytes(range(256))}
    name = vexal_build.write_wheel(tmp_path, files)
    python = f"cp{sys.version_info[0]}{sys.version_info[1]}"
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    assert name == f"vexal-{VERSION}-{python}-{python}{sys.abiflags}-{platform}.whl"
    with zipfile.ZipFile(tmp_path / name) as wheel:
        info = f"vexal-{VERSION}.dist-info"
        record = list(csv.reader(io.StringIO(wheel.read(f"{info}/RECORD").decode())))
        assert sorted(row[0] for row in record) == sorted(wheel.namelist())
        for path, digest, size in record:
            if path.endswith("RECORD"):
                assert (digest, size) == ("", "")
                continue
            data = wheel.read(path)
            expected = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
            assert (digest, int(size)) == (f"sha256={expected}", len(data))
        assert "Root-Is-Purelib: false" in wheel.read(f"{info}/WHEEL").decode()
        assert wheel.getinfo("vexal/_vexal.so").external_attr >> 16 == 0o755


def test_metadata_names_the_package_its_version_and_python(tmp_path):
    folder = vexal_build.prepare_metadata_for_build_wheel(str(tmp_path))
    metadata = (tmp_path / folder / "METADATA").read_text(encoding="utf-8")
    assert folder == f"vexal-{VERSION}.dist-info"
    assert {"Name: vexal", f"Version: {VERSION}", "Requires-Python: >=3.9"} <= set(metadata.splitlines())
    assert metadata.split("\n\n", 1)[1] == (vexal_build.ROOT / "docs" / "python.md").read_text(encoding="utf-8")
    assert vexal_build.get_requires_for_build_wheel() == vexal_build.get_requires_for_build_sdist() == []


def test_the_sdist_carries_what_a_wheel_is_built_from(tmp_path):
    name = vexal_build.build_sdist(str(tmp_path))
    with tarfile.open(tmp_path / name) as sdist:
        names = set(sdist.getnames())
    base = f"vexal-{VERSION}"
    assert name == f"{base}.tar.gz"
    for needed in ("pyproject.toml", "CMakeLists.txt", "PKG-INFO", "python/vexal_build.py", "python/vexal/__init__.pyi",
                   "include/vexal/vexal.hpp", "src/CMakeLists.txt", "docs/CMakeLists.txt"):
        assert f"{base}/{needed}" in names
    assert not [n for n in names if "__pycache__" in n or n.endswith(".so")]


@pytest.mark.parametrize("missing, text", [
    ("cmake", "vexal: install cmake (Debian: apt-get install cmake)"),
    ("headers", "vexal: install the Python headers: python3-dev"),
    ("compiler", "vexal: install a C++ compiler (Debian: apt-get install g++)"),
])
def test_a_missing_prerequisite_is_named_in_one_line(monkeypatch, tmp_path, missing, text):
    which = shutil.which
    monkeypatch.setenv("CXX", "")
    monkeypatch.setattr(vexal_build.shutil, "which", lambda name: None if (
        (missing == "cmake" and name == "cmake") or (missing == "compiler" and name != "cmake")) else which(name))
    if missing == "headers":
        monkeypatch.setattr(vexal_build.sysconfig, "get_paths", lambda: {"include": str(tmp_path)})
    with pytest.raises(SystemExit) as stopped:
        vexal_build.build_wheel(str(tmp_path))
    assert str(stopped.value).startswith(text) and "\n" not in str(stopped.value)
