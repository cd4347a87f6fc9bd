# SPDX-License-Identifier: MIT
# Builds the benchmarks in Release (preset `bench`) and runs every one of them
# once, briefly, on the small payload sizes, the peak-heap cases and the
# stream reader, then renders the results tables (the report fails on a table
# without rows): it shows that the suite and its report work.
# Timings here mean nothing; bench/run takes the real measurements. Last,
# the peer comparison through the installed headers, briefly.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_build_packages
need_python_packages
need_packages libbenchmark-dev python3 python3-msgpack
configure_and_build bench

results=build/bench/ci-results.json
build/bench/bench/vexal_bench \
  --benchmark_filter='/(0|16|100|4096)$|^peak_heap_|^stream_|^bomb_|^read_peak' \
  --benchmark_min_time=0.01 \
  --benchmark_out="$results" --benchmark_out_format=json >/dev/null
build/bench/bench/vexal_malloc_bench --benchmark_min_time=0.01 \
  --benchmark_out=build/bench/ci-malloc.json --benchmark_out_format=json >/dev/null
python3 bench/results.py merge "$results" build/bench/ci-malloc.json
bench/report "$results" >build/bench/ci-results.md
echo "==> every benchmark ran; ratios from so brief a run are not measurements"
bench/report "$results" --sizes 16,4096 --summary

# How far a small stored part expands, and that an address-space limit
# turns the growth into std::bad_alloc.
build/bench/bench/vexal_expansion_probe 64
build/bench/bench/vexal_expansion_probe 64 48

# The Python package against struct + zlib by hand, each case once.
PYTHONPATH=build/bench/python /usr/bin/python3 bench/python_bench.py --quick

# The peer comparison, built as users build against the installed package
# (it installs FlatBuffers, msgpack-cxx, Cap'n Proto and protobuf when
# missing), each case once on the small payloads: its report fails when a
# library's row is missing.
REPETITIONS=1 MIN_TIME=0.01 bench/peers/run --benchmark_filter='/(16|4096)$'
