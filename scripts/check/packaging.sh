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

# What the package build needs: the library's, the tool's (with its manual
# page) and the Python package's build packages, and dpkg-buildflags.
need_package_build_packages() {
  need_build_packages
  need_python_packages
  need_tool_packages
  need_packages dpkg-dev
}

# debian_build_flags NAME: the flags of a Debian package build, every
# hardening feature on, such as CXXFLAGS or LDFLAGS.
debian_build_flags() {
  DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"
}

# The build that the packaging stages share: optimized, with debug info for
# the ABI check, installing under /usr, the tool and the Python package
# included; compiled and linked as a Debian package build would be.
build_package_preset() {
  need_package_build_packages
  local ldflags
  ldflags=$(debian_build_flags LDFLAGS)
  cmake --preset package \
    -DCMAKE_CXX_FLAGS="$(debian_build_flags CPPFLAGS) $(debian_build_flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
  cmake --build --preset package >/dev/null
}

# build_consumer PREFIX BUILD_DIR [CMAKE_ARGS...]: builds examples/consumer
# against the libvexal installed under PREFIX with find_package, warnings as
# errors, and prints the vexal version that the CMake package reported.
build_consumer() {
  cmake -S "$VEXAL_ROOT/examples/consumer" -B "$2" -G Ninja "${@:3}" \
    -DCMAKE_PREFIX_PATH="$1" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$2.log"
  cmake --build "$2" -j2 >/dev/null
  sed -n 's/^-- Found vexal \([^ ]*\) in .*/\1/p' "$2.log"
}

# needs_libvexal_so PROGRAM: whether PROGRAM loads libvexal.so at run time.
needs_libvexal_so() {
  readelf -d "$1" | grep -q 'NEEDED.*\[libvexal\.so'
}

# abi_dump LIBRARY OUT: writes the ABI of LIBRARY as abidw sees it, without
# any path of this machine, so that dumps from different trees compare.
abi_dump() {
  abidw --no-corpus-path --no-comp-dir-path --short-locs \
    --headers-dir "$VEXAL_ROOT/include/vexal" --drop-private-types \
    --out-file "$2" "$1"
}
