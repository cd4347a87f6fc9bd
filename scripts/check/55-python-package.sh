# SPDX-License-Identifier: MIT
# Installs the Python package as a Python user does, offline, into a fresh
# venv of every CPython found on the machine (Debian's /usr/bin/python3,
# every python3.X on PATH and every pyenv version): `pip install .` with
# build isolation and `pip install --no-build-isolation .`, each used from
# another folder. The package's own build backend needs nothing beyond the
# standard library, so neither setuptools, wheel nor the network is asked
# for. Interpreters older than 3.9 must be refused. Then the sdist built by
# the backend installs, an editable install imports, and a missing
# prerequisite is named in one line.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_build_packages
need_python_package_packages
version=$(project_version)
work="$VEXAL_ROOT/build/python-package"
rm -rf "$work"
mkdir -p "$work/elsewhere" "$work/dist"

# Every interpreter once, by the file it runs from (a pyenv shim names
# another one, or none when its version is not selected).
interpreters() {
  {
    echo /usr/bin/python3
    compgen -c python3. | grep -E '^python3\.[0-9]+$' | sort -u |
      while read -r name; do command -v "$name"; done
    ls -d "${PYENV_ROOT:-$HOME/.pyenv}"/versions/*/bin/python3 2>/dev/null
  } | while read -r path; do
    "$path" -c 'import os, sys; print(os.path.realpath(sys.executable))' 2>/dev/null || true
  done | grep '^/' | sort -u
}

# check_install PYTHON VENV PIP-OPTION...: installs the package into a new
# venv of PYTHON and uses it from another folder.
check_install() {
  local python=$1 venv=$2
  shift 2
  "$python" -m venv "$venv"
  "$venv/bin/python" -m pip install --quiet --no-index "$@" . >"$venv.log" 2>&1 ||
    { tail -30 "$venv.log"; fail "pip install $* with $python"; }
  local site
  site=$("$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_path("platlib"))')
  for file in __init__.pyi py.typed; do
    [[ -f "$site/vexal/$file" ]] || fail "$python: the wheel installs no vexal/$file"
  done
  expect_equal "$python $*: pip show version" \
    "$("$venv/bin/python" -m pip show vexal | sed -n 's/^Version: //p')" "$version"
  expect_equal "$python $*: import vexal in the venv" \
    "$(cd "$work/elsewhere" && "$venv/bin/python" -c 'import vexal
m, end = vexal.parse(vexal.Message(b"ab", b"c").compose())
print(vexal.__version__, m.first.payload.decode(), end, vexal.__file__)')" \
    "$version ab 19 $site/vexal/__init__.py"
}

count=0
while read -r python; do
  minor=$("$python" -c 'import sys; print(sys.version_info[0] * 100 + sys.version_info[1])')
  venv="$work/venv-$(basename "$(dirname "$(dirname "$python")")")-$minor"
  if ((minor < 309)); then
    if "$python" -m venv "$venv" 2>/dev/null &&
      "$venv/bin/python" -m pip install --quiet --no-index . >"$venv.log" 2>&1; then
      fail "$python is older than 3.9, yet pip installed the package"
    fi
    echo "ok: $python (older than 3.9) is refused"
    continue
  fi
  check_install "$python" "$venv-isolated"
  check_install "$python" "$venv-shared" --no-build-isolation
  count=$((count + 1))
done < <(interpreters)
((count > 0)) || fail "no Python 3.9 or newer found"

# The sdist carries what a wheel is built from.
/usr/bin/python3 -c 'import sys; sys.path.insert(0, "python"); import vexal_build
print(vexal_build.build_sdist(sys.argv[1]))' "$work/dist" >"$work/sdist.name"
sdist="$work/dist/$(cat "$work/sdist.name")"
expect_equal "sdist" "$sdist" "$work/dist/vexal-$version.tar.gz"
/usr/bin/python3 -m venv "$work/venv-sdist"
"$work/venv-sdist/bin/python" -m pip install --quiet --no-index "$sdist" >"$work/sdist.log" 2>&1 ||
  { tail -30 "$work/sdist.log"; fail "pip install of the sdist"; }
expect_equal "import vexal from the sdist's wheel" \
  "$(cd "$work/elsewhere" && ../venv-sdist/bin/python -c 'import vexal; print(vexal.__version__)')" "$version"

# An editable install runs the package from python/, the extension beside it.
/usr/bin/python3 -m venv "$work/venv-editable"
"$work/venv-editable/bin/python" -m pip install --quiet --no-index --no-build-isolation -e . \
  >"$work/editable.log" 2>&1 || { tail -30 "$work/editable.log"; fail "pip install -e ."; }
expect_equal "editable import" \
  "$(cd "$work/elsewhere" && ../venv-editable/bin/python -c 'import vexal; print(vexal.__file__)')" \
  "$VEXAL_ROOT/python/vexal/__init__.py"
rm -f python/vexal/_vexal*.so

# A missing prerequisite is named in one line.
expect_equal "without cmake" \
  "$(PATH=/nonexistent /usr/bin/python3 -c 'import sys; sys.path.insert(0, "python")
import vexal_build; vexal_build.build_wheel(sys.argv[1])' "$work/dist" 2>&1)" \
  "vexal: install cmake (Debian: apt-get install cmake)"
