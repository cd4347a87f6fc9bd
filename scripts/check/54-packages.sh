# SPDX-License-Identifier: MIT
# Builds the Debian packages with `cpack -G DEB`, runs lintian on each (any
# error or warning fails), extracts each with `dpkg-deb -x` into a temporary
# folder and checks their file lists and control fields. Then, as root,
# installs them with dpkg, uses them as a user would (man page, tool,
# pkg-config, CMake package, bash completion, the Wireshark dissector) and
# purges them again.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages dpkg-dev file lintian man-db tshark
build_package_preset
version=$(project_version)
major=${version%%.*}
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
arch=$(dpkg --print-architecture)
libdir="usr/lib/$multiarch"

# The latest changelog entry states the packages' version.
deb_version=$(dpkg-parsechangelog -l cmake/debian/changelog -S Version)
expect_equal "latest changelog entry's upstream version" "${deb_version%-*}" \
  "$version"

out=build/debs
rm -rf "$out"
mkdir -p "$out"
(cd build/package && cpack -G DEB -B "$VEXAL_ROOT/$out") >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }

packages=("libvexal$major" libvexal-dev)
if [[ -f tools/CMakeLists.txt ]]; then packages+=(vexal-tools); fi
packages+=(python3-vexal)
debs=()
for p in "${packages[@]}"; do debs+=("$out/${p}_${deb_version}_$arch.deb"); done
expect_equal "package files" "$(cd "$out" && ls -- *.deb | sort | tr '\n' ' ')" \
  "$(printf '%s\n' "${debs[@]##*/}" | sort | tr '\n' ' ')"

lintian --fail-on error,warning --display-info "${debs[@]}" ||
  fail "lintian found errors or warnings"
echo "ok: lintian"

# check_package NAME SECTION DEPENDS-PATTERN FILE...: control fields, and the
# exact list of files and links the package holds, besides the files every
# package has: copyright, changelog and lintian overrides.
check_package() {
  local name=$1 section=$2 depends=$3
  shift 3
  local deb="$out/${name}_${deb_version}_$arch.deb"
  expect_equal "$name Package" "$(dpkg-deb -f "$deb" Package)" "$name"
  expect_equal "$name Version" "$(dpkg-deb -f "$deb" Version)" "$deb_version"
  expect_equal "$name Architecture" "$(dpkg-deb -f "$deb" Architecture)" "$arch"
  expect_equal "$name Section" "$(dpkg-deb -f "$deb" Section)" "$section"
  [[ -n "$(dpkg-deb -f "$deb" Maintainer)" ]] || fail "$name has no Maintainer"
  [[ "$(dpkg-deb -f "$deb" Description | sed -n 2p)" == " "?* ]] ||
    fail "$name has no extended description"
  [[ "$(dpkg-deb -f "$deb" Depends)" =~ ^$depends$ ]] ||
    fail "$name Depends: '$(dpkg-deb -f "$deb" Depends)' !~ '$depends'"
  echo "ok: $name Depends = $(dpkg-deb -f "$deb" Depends)"
  local root="$out/$name" doc="usr/share/doc/$name"
  dpkg-deb -x "$deb" "$root"
  expect_equal "$name contents" \
    "$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort | tr '\n' ' ')" \
    "$(printf '%s\n' "$@" "$doc/copyright" "$doc/changelog.Debian.gz" \
      "usr/share/lintian/overrides/$name" | sort | tr '\n' ' ')"
  zcat "$root/$doc/changelog.Debian.gz" | cmp -s - cmake/debian/changelog ||
    fail "$name: changelog.Debian.gz is not cmake/debian/changelog"
}

# Depends that dpkg-shlibdeps computes from what the binaries link.
libc='libc6 \(>= [^)]*\)'
libstdcxx='libgcc-s1 \(>= [^)]*\), libstdc\+\+6 \(>= [^)]*\)'
exact_runtime="libvexal$major \(= ${deb_version//./\\.}\)"

runtime_deb="$out/libvexal${major}_${deb_version}_$arch.deb"
check_package "libvexal$major" libs \
  "$libc, $libstdcxx, zlib1g \(>= [^)]*\)" \
  "$libdir/libvexal.so.$major" "$libdir/libvexal.so.$version"
expect_equal "shlibs" "$(dpkg-deb -I "$runtime_deb" shlibs)" \
  "libvexal $major libvexal$major (>= $version)"
expect_equal "triggers" "$(dpkg-deb -I "$runtime_deb" triggers)" \
  "activate-noawait ldconfig"
expect_equal "symbols file head" "$(dpkg-deb -I "$runtime_deb" symbols | head -2)" \
  "libvexal.so.$major libvexal$major #MINVER#
* Build-Depends-Package: libvexal-dev"
runtime="$out/libvexal$major/$libdir"
expect_equal "packaged SONAME link" "$(readlink "$runtime/libvexal.so.$major")" \
  "libvexal.so.$version"
file -L "$runtime/libvexal.so.$major" | grep -q ', stripped' ||
  fail "the packaged library is not stripped"

headers=(usr/include/vexal/version_config.h) # generated from its .in
for header in include/vexal/*.hpp include/vexal/*.h include/vexal/detail/*.hpp; do
  headers+=("usr/$header")
done
check_package libvexal-dev libdevel "$exact_runtime, zlib1g-dev" \
  "${headers[@]}" "$libdir/libvexal.so" "$libdir/pkgconfig/vexal.pc" \
  "$libdir/libvexal.a" "$libdir/cmake/vexal/vexalConfig.cmake" \
  "$libdir/cmake/vexal/vexalConfigVersion.cmake" \
  "$libdir/cmake/vexal/vexalTargets-shared.cmake" \
  "$libdir/cmake/vexal/vexalTargets-shared-relwithdebinfo.cmake" \
  "$libdir/cmake/vexal/vexalTargets-static.cmake" \
  "$libdir/cmake/vexal/vexalTargets-static-relwithdebinfo.cmake"
expect_equal "packaged linker name link" \
  "$(readlink "$out/libvexal-dev/$libdir/libvexal.so")" "libvexal.so.$major"
# The packaged pkg-config file names /usr, as the system's own do.
for variable in libdir=/$libdir includedir=/usr/include; do
  expect_equal "packaged vexal.pc ${variable%%=*}" \
    "$(PKG_CONFIG_PATH="$out/libvexal-dev/$libdir/pkgconfig" \
      pkg-config --variable="${variable%%=*}" vexal)" "${variable#*=}"
done

if [[ -f tools/CMakeLists.txt ]]; then
  check_package vexal-tools utils "$exact_runtime, $libc, $libstdcxx" \
    usr/bin/vexal usr/share/man/man1/vexal.1.gz \
    usr/share/bash-completion/completions/vexal \
    usr/share/doc/vexal-tools/json.md "$libdir/wireshark/plugins/vexal.lua"
  expect_equal "packaged tool's version" \
    "$(LD_LIBRARY_PATH="$out/libvexal$major/$libdir" \
      "$out/vexal-tools/usr/bin/vexal" --version)" "$version"
  file "$out/vexal-tools/usr/bin/vexal" | grep -q ', stripped' ||
    fail "the packaged tool is not stripped"
  # Below /usr the system finds the library; a RUNPATH would only repeat it.
  ! readelf -d "$out/vexal-tools/usr/bin/vexal" | grep -q RUNPATH ||
    fail "the packaged tool has a RUNPATH"
fi

python_dir=usr/lib/python3/dist-packages/vexal
python_module=_vexal$(/usr/bin/python3 -c \
  'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
python_depends="python3 \(>= 3\.[0-9]+~\), python3 \(<< 3\.[0-9]+\)"
check_package python3-vexal python "$exact_runtime, $python_depends, $libc, $libstdcxx" \
  "$python_dir/__init__.py" "$python_dir/__init__.pyi" "$python_dir/py.typed" \
  "$python_dir/$python_module"
file "$out/python3-vexal/$python_dir/$python_module" | grep -q ', stripped' ||
  fail "the packaged Python module is not stripped"

# A consumer builds and runs against the runtime and development packages
# extracted into one tree.
for name in "libvexal$major" libvexal-dev; do
  dpkg-deb -x "$out/${name}_${deb_version}_$arch.deb" "$out/root"
done
expect_equal "packaged CMake package version" \
  "$(build_consumer "$PWD/$out/root/usr" "$out/consumer")" "$version"
needs_libvexal_so "$out/consumer/vexal_consumer" ||
  fail "find_package(vexal) did not give the shared library"
"$out/consumer/vexal_consumer"
# With VEXAL_USE_STATIC_LIBS the same package gives libvexal.a.
expect_equal "packaged CMake package version (static)" \
  "$(build_consumer "$PWD/$out/root/usr" "$out/static-consumer" \
    -DVEXAL_USE_STATIC_LIBS=ON)" "$version"
! needs_libvexal_so "$out/static-consumer/vexal_consumer" ||
  fail "VEXAL_USE_STATIC_LIBS did not give the static library"
"$out/static-consumer/vexal_consumer"

# completion_of WORD...: what the installed bash completion offers for the last
# word of the command line WORD...
completion_of() {
  bash -c 'source /usr/share/bash-completion/completions/vexal
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vexal
    echo "${COMPREPLY[*]}"' completion_of "$@"
}

# The installed packages, used as a user would use them.
check_installed() {
  expect_equal "installed manual page" "$(man -w vexal)" \
    /usr/share/man/man1/vexal.1.gz
  [[ $(man vexal 2>&1) == *--second-compression* ]] ||
    fail "man vexal does not describe pack's options"
  echo "ok: man vexal describes the commands"
  local json_doc
  json_doc=$(vexal inspect --help | grep -o '/[^ ]*/json\.md')
  [[ $json_doc == /usr/share/doc/vexal-tools/json.md && -f $json_doc ]] ||
    fail "inspect --help points to '$json_doc', not to the installed json.md"
  echo "ok: inspect --help points to the installed $json_doc"
  expect_equal "installed tool's version" "$(vexal --version)" "$version"
  [[ $(ldconfig -p) == *"libvexal.so.$major "* ]] ||
    fail "the ldconfig trigger did not run: ldconfig -p lacks libvexal.so.$major"
  echo "ok: ldconfig -p lists libvexal.so.$major"
  expect_equal "installed vexal.pc" "$(pkg-config --libs vexal | xargs)" "-lvexal"
  # shellcheck disable=SC2046  # pkg-config prints several words on purpose
  g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror \
    examples/consumer/consumer.cpp $(pkg-config --cflags --libs vexal) \
    -o "$out/installed-consumer"
  "$out/installed-consumer"
  expect_equal "installed CMake package version" \
    "$(build_consumer /usr "$out/installed-find-package")" "$version"
  expect_equal "completion of commands" "$(completion_of vexal pa)" pack
  expect_equal "completion of options" "$(completion_of vexal pack --second-)" \
    "--second-compression --second-format"
  expect_equal "installed Python package" \
    "$(cd "$out" && /usr/bin/python3 -c 'import vexal; print(vexal.__version__, vexal.__file__)')" \
    "$version /$python_dir/__init__.py"
  expect_equal "completion of values" \
    "$(completion_of vexal pack --compression zlib_best_)" \
    "zlib_best_speed zlib_best_compression"
  # Wireshark loads the installed dissector by itself, without -X.
  expect_equal "tshark -G protocols" \
    "$(tshark -G protocols 2>/dev/null | grep -P '\tvexal$')" \
    "vexal message	VEXAL	vexal"
  od -Ax -tx1 -v examples/sample.vexal |
    text2pcap -q -T 40000,7000 - "$out/sample.pcap" 2>/dev/null
  expect_equal "installed dissector on the sample" \
    "$(tshark -r "$out/sample.pcap" -d tcp.port==7000,vexal -T fields \
      -e vexal.message_length 2>/dev/null)" "530,60"
}

# Installing needs root: CI runs as root on a throwaway machine. Packages of
# libvexal that are already installed are left alone and the check is
# skipped; the lock keeps two runs on one machine from installing or purging
# under each other.
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: installing the packages needs root"
  exit 0
fi
exec {lock}>/tmp/vexal-package-install.lock
flock "$lock"
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' \
  "${packages[@]}" 2>/dev/null | sed -n 's/^ii *//p' || true)
if [[ -n $installed ]]; then
  echo "skipped: already installed, left alone: ${installed//$'\n'/ }"
  exit 0
fi
trap 'dpkg --purge "${packages[@]}" >/dev/null' EXIT
dpkg -i "${debs[@]}" >/dev/null
check_installed
