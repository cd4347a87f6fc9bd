// SPDX-License-Identifier: MIT
// The payloads of the peer comparison: pseudo-random bytes from a fixed
// seed, so that no library sees a run of equal bytes and every run sees the
// same ones.
#include "payloads.hpp"

namespace peers {
namespace {

bytes make_payload(size_t size, uint8_t seed) {
  bytes payload(size);
  uint32_t state = 2654435761U * (seed + 1U);
  for (uint8_t& byte : payload) {
    state = state * 1664525U + 1013904223U;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return payload;
}

}  // namespace

payloads::payloads(size_t size)
    : first(make_payload(size, 1)), second(make_payload(size, 2)) {}

void set_bytes(benchmark::State& state, size_t part_size) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(2 * part_size));
}

}  // namespace peers
