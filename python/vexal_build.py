# SPDX-License-Identifier: MIT
# The build backend of the Python package (PEP 517 and PEP 660), in the
# standard library alone, so that `pip install .` works offline on any
# CPython 3.9 or newer with only a C++ compiler, CMake, zlib's and Python's
# headers on the machine. It runs the project's CMake build of the extension
# vexal._vexal (libvexal linked in statically) and writes the wheel itself.
# A missing prerequisite stops the build with one line that names it.
#
# VEXAL_BUILD_DIR, when set, is the CMake build folder to use (and keep);
# otherwise a temporary one is used.
import base64
import contextlib
import csv
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PACKAGE = ROOT / "python" / "vexal"
NAME = "vexal"
# What an sdist carries: enough to build the wheel again.
SDIST_PATHS = ["CMakeLists.txt", "LICENSE", "README.md", "pyproject.toml", "cmake", "docs", "include",
               "src", "python"]


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(vexal\s+VERSION\s+([0-9.]+)", text).group(1)


def metadata():
    """The package's metadata; its long description is the manual's Python
    page, docs/python.md."""
    return "".join(f"{key}: {value}\n" for key, value in (
        ("Metadata-Version", "2.1"),
        ("Name", NAME),
        ("Version", version()),
        ("Summary", "Compose and parse vexal messages with libvexal"),
        ("License", "MIT"),
        ("Requires-Python", ">=3.9"),
        ("Classifier", "License :: OSI Approved :: MIT License"),
        ("Classifier", "Programming Language :: C++"),
        ("Classifier", "Programming Language :: Python :: 3"),
        ("Classifier", "Typing :: Typed"),
        ("Description-Content-Type", "text/markdown; charset=UTF-8"),
    )) + "\n" + (ROOT / "docs" / "python.md").read_text(encoding="utf-8")


def tag():
    """The wheel tag of the running interpreter: cp311-cp311-linux_x86_64."""
    if sys.implementation.name != "cpython":
        stop(f"vexal builds for CPython only, not {sys.implementation.name}")
    python = f"cp{sys.version_info[0]}{sys.version_info[1]}"
    abiflags = getattr(sys, "abiflags", "")
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{python}-{python}{abiflags}-{platform}"


def stop(text):
    raise SystemExit(f"vexal: {text}")


def check_prerequisites():
    if not shutil.which("cmake"):
        stop("install cmake (Debian: apt-get install cmake)")
    headers = Path(sysconfig.get_paths()["include"]) / "Python.h"
    if not headers.is_file():
        stop("install the Python headers: python3-dev "
             f"(no {headers} for {sys.executable})")
    compilers = [os.environ.get("CXX"), "c++", "g++", "clang++"]
    if not any(c and shutil.which(c.split()[0]) for c in compilers):
        stop("install a C++ compiler (Debian: apt-get install g++)")


def run(command, log):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    log.write(done.stdout)
    return done


def build_extension(build):
    """Builds vexal._vexal in `build` and returns its path."""
    check_prerequisites()
    log = io.StringIO()
    configure = run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     f"-DPython_EXECUTABLE={sys.executable}", "-DBUILD_SHARED_LIBS=OFF",
                     "-DVEXAL_BUILD_PYTHON=ON", "-DVEXAL_BUILD_TESTS=OFF",
                     "-DVEXAL_BUILD_TOOLS=OFF", "-DVEXAL_BUILD_EXAMPLES=OFF",
                     "-DVEXAL_INSTALL=OFF"], log)
    if configure.returncode != 0:
        sys.stderr.write(log.getvalue()[-4000:])
        if "Could NOT find ZLIB" in configure.stdout:
            stop("install zlib's headers (Debian: apt-get install zlib1g-dev)")
        if "No CMAKE_CXX_COMPILER could be found" in configure.stdout:
            stop("install a C++ compiler (Debian: apt-get install g++)")
        stop("CMake could not configure the build (its output is above)")
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
    built = run(["cmake", "--build", str(build), "--target", "vexal_python", "--parallel", jobs], log)
    if built.returncode != 0:
        sys.stderr.write(log.getvalue()[-8000:])
        stop("the extension did not build (the compiler's output is above)")
    return next((build / "python" / "vexal").glob("_vexal*" + sysconfig.get_config_var("EXT_SUFFIX")))


@contextlib.contextmanager
def build_folder():
    chosen = os.environ.get("VEXAL_BUILD_DIR")
    if chosen:
        yield Path(chosen).resolve()
        return
    with tempfile.TemporaryDirectory(prefix="vexal-build-") as folder:
        yield Path(folder)


def dist_info():
    return f"{NAME}-{version()}.dist-info"


def write_dist_info(directory):
    info = Path(directory) / dist_info()
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(metadata(), encoding="utf-8")
    (info / "WHEEL").write_text(wheel_file())
    return info.name


def wheel_file():
    return f"Wheel-Version: 1.0\nGenerator: vexal_build\nRoot-Is-Purelib: false\nTag: {tag()}\n"


def write_wheel(directory, files):
    """Writes the wheel of `files` (archive name -> bytes) and its
    dist-info, with the RECORD of every file's hash, and returns its name."""
    files = dict(files)
    files[f"{dist_info()}/METADATA"] = metadata().encode()
    files[f"{dist_info()}/WHEEL"] = wheel_file().encode()
    record = io.StringIO()
    writer = csv.writer(record, lineterminator="\n")
    for name, data in files.items():
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        writer.writerow([name, f"sha256={digest}", len(data)])
    writer.writerow([f"{dist_info()}/RECORD", "", ""])
    files[f"{dist_info()}/RECORD"] = record.getvalue().encode()
    wheel = f"{NAME}-{version()}-{tag()}.whl"
    with zipfile.ZipFile(Path(directory) / wheel, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in files.items():
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = (0o755 if name.endswith(".so") else 0o644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    return wheel


def package_files():
    return {f"vexal/{name}": (PACKAGE / name).read_bytes()
            for name in ("__init__.py", "__init__.pyi", "py.typed")}


# The PEP 517 hooks.

def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    return write_dist_info(metadata_directory)


def prepare_metadata_for_build_editable(metadata_directory, config_settings=None):
    return write_dist_info(metadata_directory)


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    with build_folder() as build:
        module = build_extension(build)
        files = package_files()
        files[f"vexal/{module.name}"] = module.read_bytes()
        return write_wheel(wheel_directory, files)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    """A wheel that puts python/ on the path: the extension is copied beside
    python/vexal/__init__.py, where `import vexal` then finds it."""
    with build_folder() as build:
        module = build_extension(build)
        shutil.copyfile(module, PACKAGE / module.name)
    return write_wheel(wheel_directory, {"vexal.pth": f"{PACKAGE.parent}\n".encode()})


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{version()}"

    def keep(info):
        parts = Path(info.name).parts
        skipped = "__pycache__" in parts or info.name.endswith((".so", ".pyc"))
        return None if skipped else info

    with tarfile.open(Path(sdist_directory) / f"{base}.tar.gz", "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for path in SDIST_PATHS:
            archive.add(ROOT / path, arcname=f"{base}/{path}", filter=keep)
        info = tarfile.TarInfo(f"{base}/PKG-INFO")
        data = metadata().encode()
        info.size = len(data)
        archive.addfile(info, io.BytesIO(data))
    return f"{base}.tar.gz"
