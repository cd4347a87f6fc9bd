// SPDX-License-Identifier: MIT
// Counting replacements of the global operator new and delete. Sizes come
// from malloc_usable_size, so unsized and sized deletes account alike and
// the live total is exact whichever form the caller uses. The array, nothrow
// and sized forms that are not replaced here forward to these in libstdc++.
#include "heap_counter.hpp"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

vexal_bench::heap_snapshot counters{0, 0, 0};

}  // namespace

namespace vexal_bench {

heap_snapshot heap_now() { return counters; }

void reset_heap_peak() { counters.peak_bytes = counters.live_bytes; }

}  // namespace vexal_bench

void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++counters.allocations;
  counters.live_bytes += malloc_usable_size(block);
  counters.peak_bytes = std::max(counters.peak_bytes, counters.live_bytes);
  return block;
}

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  counters.live_bytes -= malloc_usable_size(block);
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  operator delete(block);
}
