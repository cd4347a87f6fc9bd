# SPDX-License-Identifier: MIT
# Builds the Python package as a Python user's tools do, offline with
# Debian's setuptools, wheel, cmake and pybind11 (`python3 -m build --wheel
# --no-isolation`), installs the wheel into a fresh venv and uses it there
# from another folder: the wheel must carry libvexal inside its extension,
# the stubs and the project's version.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_build_packages
need_python_package_packages
version=$(project_version)
work=build/python-package
rm -rf "$work"
mkdir -p "$work/elsewhere"

/usr/bin/python3 -m build --wheel --no-isolation --outdir "$work/dist" . \
  >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; fail "wheel build"; }
wheel=$(echo "$work"/dist/vexal-"$version"-*.whl)
[[ -f "$wheel" ]] || fail "no wheel for version $version in $work/dist"

/usr/bin/python3 -m venv "$work/venv"
"$work/venv/bin/pip" install --quiet --no-index "$wheel"
site=$("$work/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_path("purelib"))')
for file in __init__.pyi py.typed; do
  [[ -f "$site/vexal/$file" ]] || fail "the wheel installs no vexal/$file"
done
expect_equal "pip show version" \
  "$("$work/venv/bin/pip" show vexal | sed -n 's/^Version: //p')" "$version"
expect_equal "import vexal in the venv" \
  "$(cd "$work/elsewhere" && ../venv/bin/python -P -c 'import vexal
m, end = vexal.parse(vexal.Message(b"ab", b"c").compose())
print(vexal.__version__, m.first.payload.decode(), end, vexal.__file__)')" \
  "$version ab 19 $site/vexal/__init__.py"
