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

}  // namespace peers

#endif  // VEXAL_PEERS_PAYLOADS_HPP
