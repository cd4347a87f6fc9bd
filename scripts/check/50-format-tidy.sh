# SPDX-License-Identifier: MIT
# House keeping: every .cpp/.hpp of the project is formatted with the repo's
# .clang-format, and clang-tidy finds nothing in the library's sources (src/)
# with the checks of .clang-tidy.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages clang-format clang-tidy
# node/'s npm packages, build and packing copies are not the project's code.
find . \( -path ./build -o -path './build-*' -o -path ./.git -o -path ./node/node_modules \
  -o -path ./node/build -o -path ./node/deps \) -prune -o \
  \( -name '*.cpp' -o -name '*.hpp' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
echo "ok: formatting"

# clang-tidy reads the compile commands of the package build; configuring it
# is enough (this also generates the version header). g++ builds C++17 by
# default, so the commands name no standard; clang needs to be told.
need_package_build_packages
cmake --preset package >/dev/null
if ! report=$(find src -name '*.cpp' -print0 |
  xargs -0 -n1 -P2 clang-tidy -p build/package --quiet \
    --extra-arg=-std=c++17 2>&1); then
  grep -v 'warnings generated\.$' <<<"$report"
  fail "clang-tidy"
fi
echo "ok: clang-tidy"
