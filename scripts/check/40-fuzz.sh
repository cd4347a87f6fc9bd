# SPDX-License-Identifier: MIT
# Runs each libFuzzer target (preset asan) for a bounded time, starting from
# its seed corpus with the header dictionary; a crash, leak, sanitizer report
# or violated property fails the stage and leaves the input in
# build/fuzz/artifacts/.
# VEXAL_FUZZ_SECONDS sets the time per target (default 15).
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages clang llvm libclang-rt-14-dev
configure_and_build asan

seconds="${VEXAL_FUZZ_SECONDS:-15}"
work=build/fuzz
mkdir -p "$work/artifacts"
for target in message any_part round_trip compressed reader view; do
  mkdir -p "$work/corpus/$target"
  log="$work/$target.log"
  if ! "build/asan/fuzz/vexal_fuzz_$target" -max_total_time="$seconds" \
      -timeout=10 -dict=fuzz/vexal.dict -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/$target-" \
      "$work/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz.$target FAILED"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz.$target: $runs executions in $seconds s, no failure"
done

