// SPDX-License-Identifier: MIT
// Deterministic payload bytes for the benchmarks: the same size and kind give
// the same bytes in every run, so runs compare.
#ifndef VEXAL_BENCH_PAYLOADS_HPP
#define VEXAL_BENCH_PAYLOADS_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexal_bench {

enum class payload_kind {
  text,    // words and punctuation from a small vocabulary; zlib shrinks it
  random,  // uniformly random bytes; zlib cannot shrink them
};

const char* payload_kind_name(payload_kind kind);

// `size` bytes of `kind`; `seed` selects one of several distinct streams.
std::vector<uint8_t> make_payload(payload_kind kind, size_t size,
                                  uint64_t seed);

}  // namespace vexal_bench

#endif  // VEXAL_BENCH_PAYLOADS_HPP
