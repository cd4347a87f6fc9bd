# SPDX-License-Identifier: MIT
# Builds the Debian packages with `cpack -G DEB`, extracts each with
# `dpkg-deb -x` into a temporary folder (nothing is installed on the system)
# and checks their file lists and control fields.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages dpkg-dev file
build_package_preset
version=$(project_version)
major=${version%%.*}
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
arch=$(dpkg --print-architecture)
libdir="usr/lib/$multiarch"

out=build/debs
rm -rf "$out"
mkdir -p "$out"
(cd build/package && cpack -G DEB -B "$VEXAL_ROOT/$out") >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }

packages=("libvexal$major" libvexal-dev)
if [[ -f tools/CMakeLists.txt ]]; then packages+=(vexal-tools); fi
expect_equal "package files" "$(cd "$out" && ls -- *.deb | sort | tr '\n' ' ')" \
  "$(for p in "${packages[@]}"; do echo "${p}_${version}_$arch.deb"; done |
    sort | tr '\n' ' ')"

# check_package NAME SECTION DEPENDS-PATTERN FILE...: control fields, and the
# exact list of files and links the package holds.
check_package() {
  local name=$1 section=$2 depends=$3
  shift 3
  local deb="$out/${name}_${version}_$arch.deb"
  expect_equal "$name Package" "$(dpkg-deb -f "$deb" Package)" "$name"
  expect_equal "$name Version" "$(dpkg-deb -f "$deb" Version)" "$version"
  expect_equal "$name Architecture" "$(dpkg-deb -f "$deb" Architecture)" "$arch"
  expect_equal "$name Section" "$(dpkg-deb -f "$deb" Section)" "$section"
  [[ -n "$(dpkg-deb -f "$deb" Maintainer)" ]] || fail "$name has no Maintainer"
  [[ "$(dpkg-deb -f "$deb" Description | sed -n 2p)" == " "?* ]] ||
    fail "$name has no extended description"
  [[ "$(dpkg-deb -f "$deb" Depends)" =~ ^$depends$ ]] ||
    fail "$name Depends: '$(dpkg-deb -f "$deb" Depends)' !~ '$depends'"
  echo "ok: $name Depends = $(dpkg-deb -f "$deb" Depends)"
  local root="$out/$name"
  dpkg-deb -x "$deb" "$root"
  expect_equal "$name contents" \
    "$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort | tr '\n' ' ')" \
    "$(printf '%s\n' "$@" | sort | tr '\n' ' ')"
}

check_package "libvexal$major" libs \
  "libc6 .*libstdc\+\+6 .*zlib1g \(>= [^)]*\)" \
  "$libdir/libvexal.so.$major" "$libdir/libvexal.so.$version"
expect_equal "shlibs" "$(dpkg-deb -I "$out/libvexal${major}_${version}_$arch.deb" shlibs)" \
  "libvexal $major libvexal$major (>= $version)"
runtime="$out/libvexal$major/$libdir"
expect_equal "packaged SONAME link" "$(readlink "$runtime/libvexal.so.$major")" \
  "libvexal.so.$version"
file -L "$runtime/libvexal.so.$major" | grep -q ', stripped' ||
  fail "the packaged library is not stripped"

headers=()
for header in include/vexal/*.hpp; do headers+=("usr/$header"); done
check_package libvexal-dev libdevel \
  "libvexal$major \(= ${version//./\\.}\), zlib1g-dev" \
  "${headers[@]}" "$libdir/libvexal.so" "$libdir/pkgconfig/vexal.pc" \
  "$libdir/cmake/vexal/vexalConfig.cmake" \
  "$libdir/cmake/vexal/vexalConfigVersion.cmake" \
  "$libdir/cmake/vexal/vexalTargets.cmake" \
  "$libdir/cmake/vexal/vexalTargets-relwithdebinfo.cmake"
expect_equal "packaged linker name link" \
  "$(readlink "$out/libvexal-dev/$libdir/libvexal.so")" "libvexal.so.$major"
# The packaged pkg-config file points into the tree it was extracted to.
dev_root=$(realpath "$out/libvexal-dev")
export PKG_CONFIG_PATH="$dev_root/$libdir/pkgconfig"
expect_equal "packaged vexal.pc prefix" \
  "$(realpath "$(pkg-config --variable=prefix vexal)")" "$dev_root/usr"
[[ -f "$(pkg-config --variable=includedir vexal)/vexal/vexal.hpp" &&
  -L "$(pkg-config --variable=libdir vexal)/libvexal.so" ]] ||
  fail "the packaged vexal.pc names the wrong folders"

if [[ -f tools/CMakeLists.txt ]]; then
  check_package vexal-tools utils "libvexal$major \(= ${version//./\\.}\)" \
    usr/bin/vexal
  expect_equal "packaged tool's version" \
    "$(LD_LIBRARY_PATH="$out/libvexal$major/$libdir" \
      "$out/vexal-tools/usr/bin/vexal" --version)" "$version"
fi

# A consumer builds and runs against the runtime and development packages
# extracted into one tree.
for name in "libvexal$major" libvexal-dev; do
  dpkg-deb -x "$out/${name}_${version}_$arch.deb" "$out/root"
done
expect_equal "packaged CMake package version" \
  "$(build_consumer "$PWD/$out/root/usr" "$out/consumer")" "$version"
"$out/consumer/vexal_consumer"
