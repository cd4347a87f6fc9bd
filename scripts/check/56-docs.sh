# SPDX-License-Identifier: MIT
# Builds the HTML reference with Doxygen (the `docs` target); any Doxygen
# warning, such as an undocumented public declaration, fails the build.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages doxygen
need_package_build_packages
cmake --preset package >/dev/null
rm -rf build/package/docs/html
cmake --build --preset package --target docs
for page in index errors threads classkelvo_1_1vexal; do
  [[ -s "build/package/docs/html/$page.html" ]] || fail "docs: no $page.html"
done
echo "ok: docs in build/package/docs/html"
