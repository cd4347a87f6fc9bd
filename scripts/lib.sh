# SPDX-License-Identifier: MIT
# Shared helpers for the project's scripts; source it, don't run it.

set -euo pipefail

VEXAL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export VEXAL_ROOT

# need_packages PKG...: installs the Debian packages that are missing.
need_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$pkg")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "==> installing ${missing[*]}"
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The packages every build needs.
need_build_packages() {
  need_packages cmake ninja-build g++ make pkg-config zlib1g-dev
}

# configure_and_build PRESET: configures and builds one CMake preset.
configure_and_build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

# What the Python package (python/) needs to build: the Python headers
# alone, since the extension is written on CPython's own C API.
need_python_packages() {
  need_packages python3-dev
}

# What building the Python package with pip and installing it into fresh
# venvs needs (scripts/check/55-python-package.sh): its build backend is in
# the repository and needs only the standard library.
need_python_package_packages() {
  need_python_packages
  need_packages python3-venv python3-pip
}

# What the vexal tool (VEXAL_BUILD_TOOLS) and its manual page
# (VEXAL_BUILD_MANPAGE) need to build.
need_tool_packages() {
  need_packages libcli11-dev nlohmann-json3-dev help2man
}

# What a build of the whole suite needs: the library, the tool, the Python
# package and their tests.
need_suite_packages() {
  need_build_packages
  need_python_packages
  need_tool_packages
  need_packages libgtest-dev libgmock-dev jq python3-pytest python3-mypy python3-cffi
}
