# SPDX-License-Identifier: MIT
# Keeps the shared library's ABI on purpose: libvexal.so, built with debug
# information, must have exactly the ABI recorded in abi/libvexal.abi. Any
# difference fails, additions included, until the baseline is deliberately
# rewritten with scripts/update-abi-baseline (see the SONAME policy in docs/building.md).
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages abigail-tools
build_package_preset
mkdir -p build/abi
abi_dump build/package/src/libvexal.so build/abi/libvexal.abi
if ! abidiff abi/libvexal.abi build/abi/libvexal.abi; then
  fail "the ABI of libvexal.so differs from abi/libvexal.abi (above). If the" \
    "change is deliberate, follow the SONAME policy in docs/building.md and run" \
    "scripts/update-abi-baseline."
fi
echo "ok: ABI unchanged ($(sed -n "1s/.*soname='\([^']*\)'.*/\1/p" abi/libvexal.abi))"
