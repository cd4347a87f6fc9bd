# SPDX-License-Identifier: MIT
# Builds the HTML reference with Doxygen (the `docs` target), the pages of
# docs/ included; any Doxygen warning, such as an undocumented public
# declaration or a link to a heading that is not there, fails the build.
# Then checks every relative link and anchor of README.md and docs/*.md as
# GitHub shows them.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages doxygen
need_package_build_packages
cmake --preset package >/dev/null
rm -rf build/package/docs/html
cmake --build --preset package --target docs
for page in index errors threads wire_format md_guide md_c md_python md_tool \
  md_wireshark md_building classkelvo_1_1vexal; do
  [[ -s "build/package/docs/html/$page.html" ]] || fail "docs: no $page.html"
done
python3 tests/readme/links.py . || fail "docs: dead links (above)"
echo "ok: docs in build/package/docs/html"
