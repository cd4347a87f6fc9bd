# SPDX-License-Identifier: MIT
# Runs the whole CTest suite under AddressSanitizer + UndefinedBehaviorSanitizer
# (clang; leaks, UB and memory errors are fatal; the fuzz targets replay their
# corpora), the thread test under ThreadSanitizer, and the test programs and
# fuzz corpora once each under valgrind memcheck.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages clang llvm libclang-rt-14-dev valgrind
for preset in asan tsan memcheck; do
  configure_and_build "$preset"
  ctest --preset "$preset"
done
