# SPDX-License-Identifier: MIT
# Builds the library, tool, examples and tests with warnings as errors, once
# with g++ and once with clang, and runs the whole CTest suite on each.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages clang
for preset in dev dev-clang; do
  configure_and_build "$preset"
  ctest --preset "$preset"
done
