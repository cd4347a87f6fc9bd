# SPDX-License-Identifier: MIT
# Proves libvexal from the consumer's side: installs it into a temporary
# prefix, builds examples/consumer against the installed tree with
# find_package and with pkg-config, and again with the library as a
# subproject (static, and shared with VEXAL_INSTALL, where the program runs
# from its own install tree), then against an installed static libvexal, and
# runs each; it also imports the installed Python package from a clean
# directory. The installed tool and Python package start from the moved tree
# with nothing set (their RUNPATH leads to the library); programs of one's own
# run with the LD_LIBRARY_PATH that docs/building.md gives. A program that includes
# only vexal/vexal.hpp makes a message and parses it within limits, and a
# configure without CLI11 stops with the package to install and the option
# that builds without the tool. C programs build against the same tree with
# pkg-config and with find_package, the installed vexal/vexal.h compiles
# alone as strict C99, a Python cffi script takes its declarations from that
# header and reads a stream through the installed library, and the cgo
# example (examples/go) passes its tests against it, offline, under cgo's
# pointer checks. Every number that states the version (CMake package, vexal.pc,
# SONAME, the library's version text, the headers' version macros) must agree
# with the project version.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages python3-cffi golang-go
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

unset LD_LIBRARY_PATH
if [[ -f tools/CMakeLists.txt ]]; then
  expect_equal "installed tool's version" "$("$prefix/bin/vexal" --version)" \
    "$version"
  [[ -f "$prefix/share/man/man1/vexal.1.gz" ]] || fail "no manual page installed"
fi

# The Python package imports from a clean directory, with only the installed
# tree on its paths, and works.
python_dir="$prefix/lib/python3/dist-packages"
mkdir -p "$work/python"
expect_equal "installed Python package" \
  "$(cd "$work/python" && PYTHONPATH="$python_dir" /usr/bin/python3 -s -P -c 'import vexal
message = vexal.Message(b"head", vexal.Part(b"body", compression=vexal.Compression.ZLIB_DEFAULT))
assert vexal.parse(message.compose()) == (message, len(message.compose()))
print(vexal.__version__, vexal.__file__)')" \
  "$version $python_dir/vexal/__init__.py"
[[ -f "$python_dir/vexal/__init__.pyi" && -f "$python_dir/vexal/py.typed" ]] ||
  fail "the Python package's type stubs are not installed"

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

# vexal/vexal.hpp alone gives a message and its bounded parse.
cat >"$work/vexal-hpp-alone.cpp" <<'EOF'
#include <vexal/vexal.hpp>
int main() {
  const kelvo::vexal sent(kelvo::vexal_first_part({'h', 'i'}),
                          kelvo::vexal_second_part());
  const std::vector<uint8_t> wire = sent.compose();
  kelvo::vexal_limits limits;
  limits.max_message_size = wire.size();
  kelvo::vexal message;
  return message.parse(wire, 0, limits) == wire.size() && message == sent ? 0 : 1;
}
EOF
# shellcheck disable=SC2046  # pkg-config prints several words on purpose
g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror "$work/vexal-hpp-alone.cpp" \
  $(pkg-config --cflags --libs vexal) -o "$work/vexal-hpp-alone"
LD_LIBRARY_PATH="$libdir" "$work/vexal-hpp-alone" ||
  fail "a program with vexal/vexal.hpp alone"
echo "ok: vexal/vexal.hpp alone gives the bounded parse"

# C consumers: the C twin of `vexal inspect` built with pkg-config, and with
# find_package from a project whose only language is C, as C99 with
# warnings as errors; both read the sample.
c_flags=(-std=c99 -pedantic -Wall -Wextra -Werror)
# shellcheck disable=SC2046  # pkg-config prints several words on purpose
gcc "${c_flags[@]}" examples/c/inspect.c $(pkg-config --cflags --libs vexal) \
  -o "$work/c-pkg-config-inspect"
mkdir -p "$work/c-project"
cat >"$work/c-project/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(vexal_c_consumer LANGUAGES C)
find_package(vexal 0.0 REQUIRED)
add_executable(inspect "$VEXAL_ROOT/examples/c/inspect.c")
target_link_libraries(inspect PRIVATE vexal::vexal)
target_compile_options(inspect PRIVATE ${c_flags[*]})
EOF
cmake -S "$work/c-project" -B "$work/c-find-package" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/c-find-package" >/dev/null
for program in "$work/c-pkg-config-inspect" "$work/c-find-package/inspect"; do
  expect_equal "C consumer ${program#"$work"/}" \
    "$(LD_LIBRARY_PATH="$libdir" "$program" <examples/sample.vexal | tail -1)" \
    "2 messages"
done

# The installed C header on its own is strict C99: a program that includes
# nothing else builds and runs.
cat >"$work/vexal-h-alone.c" <<'EOF'
#include <vexal/vexal.h>
int main(void) {
  return vexal_version_number() == VEXAL_VERSION_NUMBER ? 0 : 1;
}
EOF
gcc -std=c99 -pedantic -Wall -Wextra -Werror -I"$prefix/include" \
  "$work/vexal-h-alone.c" -L"$libdir" -lvexal -o "$work/vexal-h-alone"
LD_LIBRARY_PATH="$libdir" "$work/vexal-h-alone" ||
  fail "a C program with vexal/vexal.h alone"
echo "ok: vexal/vexal.h alone is C99"

# cffi reads the installed header itself, preprocessed, and the library.
/usr/bin/python3 tests/c/cffi_reader.py "$libdir/libvexal.so.${version%%.*}" \
  "$prefix/include"

# The cgo example, linked through vexal.pc, with a Go cache and path of its
# own and no network.
(
  cd examples/go
  GOCACHE="$VEXAL_ROOT/$work/go/cache" GOPATH="$VEXAL_ROOT/$work/go/path" \
    GOPROXY=off GOFLAGS= GO111MODULE=on CGO_ENABLED=1 GODEBUG=cgocheck=1 \
    LD_LIBRARY_PATH="$libdir" go test -count=1 ./...
)

# A configure without CLI11 names the package and the option.
if cmake -S . -B "$work/no-cli11" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
  >"$work/no-cli11.log" 2>&1; then
  fail "a configure without CLI11 succeeded"
fi
for words in "apt-get install libcli11-dev" "-DVEXAL_BUILD_TOOLS=OFF"; do
  grep -q -e "$words" "$work/no-cli11.log" ||
    fail "a configure without CLI11 does not say '$words'"
done
echo "ok: a configure without CLI11 names libcli11-dev and VEXAL_BUILD_TOOLS"

# build_subproject NAME CMAKE_ARGS...: builds examples/consumer with the
# library as a subproject and installs the program into $work/NAME-prefix.
build_subproject() {
  local name=$1
  shift
  cmake -S examples/consumer -B "$work/$name" -G Ninja "$@" \
    -DVEXAL_SOURCE_DIR="$VEXAL_ROOT" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build "$work/$name" -j2 >/dev/null
  cmake --install "$work/$name" --prefix "$PWD/$work/$name-prefix" >/dev/null
}

# 3. Subproject: static by default, with the library's tests, examples and
# install rules off, so installing the parent installs its program alone.
build_subproject subproject
"$work/subproject-prefix/bin/vexal_consumer" | tee "$work/subproject.out"
if ninja -C "$work/subproject" -t targets all |
  grep -E '^(vexal_tests|vexal_tool|vexal_example_[a-z_]+):' >/dev/null; then
  fail "a subproject build offers the library's tests or examples"
fi
expect_equal "files a subproject's install adds" \
  "$(cd "$work/subproject-prefix" && find . -type f)" "./bin/vexal_consumer"
! needs_libvexal_so "$work/subproject-prefix/bin/vexal_consumer" ||
  fail "the subproject's program needs libvexal.so"

# 4. Shared subproject with VEXAL_INSTALL: the parent's install carries
# libvexal.so, and the installed program starts from there.
build_subproject subproject-shared -DBUILD_SHARED_LIBS=ON -DVEXAL_INSTALL=ON
needs_libvexal_so "$work/subproject-shared-prefix/bin/vexal_consumer" ||
  fail "the shared subproject's program does not load libvexal.so"
"$work/subproject-shared-prefix/bin/vexal_consumer" |
  tee "$work/subproject-shared.out"

# 5. Static libvexal, installed and found with find_package: the program
# carries the library and loads no libvexal.so.
cmake -S . -B "$work/static-build" -G Ninja -DBUILD_SHARED_LIBS=OFF \
  -DVEXAL_BUILD_TESTS=OFF -DVEXAL_BUILD_EXAMPLES=OFF -DVEXAL_BUILD_TOOLS=OFF \
  -DVEXAL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$work/static-build" -j2 >/dev/null
cmake --install "$work/static-build" --prefix "$PWD/$work/static-prefix" >/dev/null
[[ -n $(find "$work/static-prefix" -name libvexal.a) ]] || fail "no libvexal.a"
[[ -z $(find "$work/static-prefix" -name 'libvexal.so*') ]] ||
  fail "a static build installed libvexal.so"
expect_equal "CMake package version (static)" \
  "$(build_consumer "$PWD/$work/static-prefix" "$work/static")" "$version"
! needs_libvexal_so "$work/static/vexal_consumer" ||
  fail "the consumer of the static library needs libvexal.so"
"$work/static/vexal_consumer" | tee "$work/static.out"

for run in find-package pkg-config subproject subproject-shared static; do
  expect_equal "version text ($run)" \
    "$(sed -n 's/^vexal \([^:]*\):.*/\1/p' "$work/$run.out")" "$version"
done
