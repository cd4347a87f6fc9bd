// SPDX-License-Identifier: MIT
// What every library of the peer comparison is measured with: two payloads
// of the same size that differ, the same in every run, and the throughput
// a benchmark reports for them.
#ifndef VEXAL_PEERS_PAYLOADS_HPP
#define VEXAL_PEERS_PAYLOADS_HPP

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace peers {

using bytes = std::vector<uint8_t>;

// The two payloads of `size` bytes each.
struct payloads {
  explicit payloads(size_t size);
  bytes first;
  bytes second;
};

// Reports the bytes of both payloads for every iteration of `state`.
void set_bytes(benchmark::State& state, size_t part_size);

// Where a payload lies in a message's bytes.
struct found {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The loop of a parse (`Copy`: both payloads copied into new vectors, as a
// program that keeps them copies them) or of a read in place (both handed
// out where they lie). `find(first, second)` checks the message and finds
// both payloads; it answers false when the message does not check.
template <bool Copy, typename Find>
void find_payloads(benchmark::State& state, size_t part_size, Find find) {
  bool ok = true;
  for (auto _ : state) {
    found first;
    found second;
    ok &= find(first, second) && first.size == part_size &&
          second.size == part_size;
    if constexpr (Copy) {
      bytes first_copy(first.data, first.data + first.size);
      bytes second_copy(second.data, second.data + second.size);
      benchmark::DoNotOptimize(first_copy.data());
      benchmark::DoNotOptimize(second_copy.data());
    } else {
      benchmark::DoNotOptimize(first.data);
      benchmark::DoNotOptimize(second.data);
    }
  }
  if (!ok) state.SkipWithError("the message did not check");
  set_bytes(state, part_size);
}

}  // namespace peers

#endif  // VEXAL_PEERS_PAYLOADS_HPP
