# SPDX-License-Identifier: MIT
# Builds the library, tool, examples and tests with warnings as errors, once
# with g++ and once with clang, and runs the whole CTest suite on each; then
# measures salvage on 1,000 damaged captures.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages clang
for preset in dev dev-clang; do
  configure_and_build "$preset"
  ctest --preset "$preset"
done

# salvage against 1,000 randomly damaged captures; prints both figures.
echo "salvage of 1,000 damaged captures:"
build/dev/tests/tool/vexal_salvage_damage 1000
