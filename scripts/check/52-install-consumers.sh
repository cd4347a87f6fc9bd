# SPDX-License-Identifier: MIT
# Proves libvexal from the consumer's side: installs it into a temporary
# prefix, builds examples/consumer against the installed tree with
# find_package and with pkg-config, and again with the library as a
# subproject, and runs all three. Every number that states the version
# (CMake package, vexal.pc, SONAME, the library's version text) must agree
# with the project version.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

build_package_preset
version=$(project_version)
work=build/consumers
rm -rf "$work"
mkdir -p "$work"
prefix="$PWD/$work/prefix"

cmake --install build/package --prefix "$prefix" >/dev/null
# The library folder below the prefix, such as lib/x86_64-linux-gnu.
lib=$(cd "$prefix" && find . -name 'libvexal.so.*.*.*' -printf '%h')
libdir="$prefix/${lib#./}"
[[ -f "$prefix/include/vexal/vexal.hpp" ]] || fail "headers not installed"
expect_equal "SONAME" \
  "$(readelf -d "$libdir/libvexal.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')" \
  "libvexal.so.${version%%.*}"
expect_equal "SONAME link" "$(readlink "$libdir/libvexal.so.${version%%.*}")" \
  "libvexal.so.$version"
expect_equal "linker name link" "$(readlink "$libdir/libvexal.so")" \
  "libvexal.so.${version%%.*}"
# Moving the installed tree must not break it: everything below is used
# from the moved copy.
mv "$prefix" "$prefix-moved"
prefix="$prefix-moved"
libdir="$prefix/${lib#./}"

if [[ -f tools/CMakeLists.txt ]]; then
  expect_equal "installed tool's version" \
    "$(LD_LIBRARY_PATH="$libdir" "$prefix/bin/vexal" --version)" "$version"
fi

# 1. CMake package.
expect_equal "CMake package version" \
  "$(build_consumer "$prefix" "$work/find-package")" "$version"
"$work/find-package/vexal_consumer" | tee "$work/find-package.out"

# 2. pkg-config.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
expect_equal "vexal.pc version" "$(pkg-config --modversion vexal)" "$version"
expect_equal "vexal.pc private requirement" \
  "$(pkg-config --print-requires-private vexal)" "zlib"
# shellcheck disable=SC2046  # pkg-config prints several words on purpose
g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror examples/consumer/consumer.cpp \
  $(pkg-config --cflags --libs vexal) -o "$work/pkg-config-consumer"
LD_LIBRARY_PATH="$libdir" "$work/pkg-config-consumer" | tee "$work/pkg-config.out"

# 3. Subproject: the library's tests, examples and install rules stay off.
cmake -S examples/consumer -B "$work/subproject" -G Ninja \
  -DVEXAL_SOURCE_DIR="$VEXAL_ROOT" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$work/subproject" -j2 >/dev/null
"$work/subproject/vexal_consumer" | tee "$work/subproject.out"
if ninja -C "$work/subproject" -t targets all |
  grep -E '^(vexal_tests|vexal_tool|vexal_example_[a-z_]+|install):' >/dev/null; then
  fail "a subproject build offers the library's tests, examples or install"
fi

for run in find-package pkg-config subproject; do
  expect_equal "version text ($run)" \
    "$(sed -n 's/^vexal \([^:]*\):.*/\1/p' "$work/$run.out")" "$version"
done
