#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates examples/sample.vexal with the vexal tool itself: two messages
# with raw and zlib parts and formats other than the default.
#
# Usage: examples/make-sample.sh [VEXAL [OUT]]
#   VEXAL  the tool to use (default: build/release/tools/vexal)
#   OUT    the file to write (default: examples/sample.vexal)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
vexal="${1:-$here/../build/release/tools/vexal}"
out="${2:-$here/sample.vexal}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Message 0: a small raw header (format 1) and a log of sensor readings that
# compresses well (format 2, zlib_best_compression).
printf '{"sensor":"t1","unit":"C","count":200}' >"$work/head0"
for i in $(seq 0 199); do
  printf 'reading %03d: 21.%d C\n' "$i" $((i % 10))
done >"$work/body0"
"$vexal" pack "$work/head0" "$work/body0" \
  --first-format 1 --second-format 2 \
  --second-compression zlib_best_compression -o "$out"

# Message 1: both parts compressed at the fastest level, the second empty.
printf 'end of capture; %s\n' "$(printf 'padding %.0s' $(seq 1 40))" \
  >"$work/head1"
: >"$work/body1"
"$vexal" pack "$work/head1" "$work/body1" --first-format 1 \
  --compression zlib_best_speed --append -o "$out"
