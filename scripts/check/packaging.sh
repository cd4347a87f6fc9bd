# SPDX-License-Identifier: MIT
# Helpers shared by the packaging stages (5x-*.sh); source it after lib.sh.
# Not a stage itself: the runner only picks up numbered scripts.

# The one version number, as the top-level CMakeLists.txt states it.
project_version() {
  sed -n '/^project(vexal/,/)/s/^ *VERSION \([0-9.]*\).*/\1/p' \
    "$VEXAL_ROOT/CMakeLists.txt"
}

# fail MESSAGE...: reports a failed check and stops the stage.
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# expect_equal WHAT ACTUAL EXPECTED: one named comparison.
expect_equal() {
  if [[ "$2" != "$3" ]]; then fail "$1: got '$2', expected '$3'"; fi
  echo "ok: $1 = $2"
}

# What the package build needs: the library's and the tool's build packages.
need_package_build_packages() {
  need_build_packages
  need_packages libcli11-dev nlohmann-json3-dev
}

# The build that the packaging stages share: optimized, with debug info for
# the ABI check, installing under /usr, the tool included.
build_package_preset() {
  need_package_build_packages
  configure_and_build package >/dev/null
}

# build_consumer PREFIX BUILD_DIR: builds examples/consumer against the
# libvexal installed under PREFIX with find_package, warnings as errors, and
# prints the vexal version that the CMake package reported.
build_consumer() {
  cmake -S "$VEXAL_ROOT/examples/consumer" -B "$2" -G Ninja \
    -DCMAKE_PREFIX_PATH="$1" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$2.log"
  cmake --build "$2" -j2 >/dev/null
  sed -n 's/^-- Found vexal \([^ ]*\) in .*/\1/p' "$2.log"
}

# abi_dump LIBRARY OUT: writes the ABI of LIBRARY as abidw sees it, without
# any path of this machine, so that dumps from different trees compare.
abi_dump() {
  abidw --no-corpus-path --no-comp-dir-path --short-locs \
    --headers-dir "$VEXAL_ROOT/include/vexal" --drop-private-types \
    --out-file "$2" "$1"
}
