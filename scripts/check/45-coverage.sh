# SPDX-License-Identifier: MIT
# Measures line and branch coverage of src/ over the whole CTest suite (fuzz
# corpora replayed included) with g++ --coverage and gcovr. Fails below 95 %
# of lines; branches are reported with throw branches excluded.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages gcovr
configure_and_build coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage
gcovr --root . --object-directory build/coverage --filter 'src/' \
  --exclude-directories 'build/coverage/CMakeFiles' \
  --exclude-throw-branches --print-summary --fail-under-line 95
