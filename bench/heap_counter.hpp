// SPDX-License-Identifier: MIT
// Heap accounting for the benchmarks: the benchmark binary replaces the
// global operator new and delete with counting versions, so every C++ heap
// allocation in the process, the library's included, is seen here.
//
// zlib allocates its own state with malloc, which is not counted; the
// library and the zlib limits it is measured against both pay that alike.
// The counters are plain globals: the benchmarks run on one thread.
#ifndef VEXAL_BENCH_HEAP_COUNTER_HPP
#define VEXAL_BENCH_HEAP_COUNTER_HPP

#include <cstddef>
#include <cstdint>

namespace vexal_bench {

struct heap_snapshot {
  uint64_t allocations;  // operator new calls since the program started
  size_t live_bytes;     // bytes currently held through operator new
  size_t peak_bytes;     // highest `live_bytes` since the last reset
};

heap_snapshot heap_now();

// Starts a new peak measurement at the current live size.
void reset_heap_peak();

}  // namespace vexal_bench

#endif  // VEXAL_BENCH_HEAP_COUNTER_HPP
