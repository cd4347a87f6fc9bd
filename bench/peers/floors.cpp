// SPDX-License-Identifier: MIT
// The floors of owning two payloads, measured beside the libraries: both
// payloads copied into two new vectors, and the owning libvexal message's
// own allocations (two heap-allocated part records, each with its payload).
#include <cstdint>
#include <memory>

#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

// A part record's shape: a handle's one heap object with a virtual
// destructor, its codes and its payload vector.
struct record {
  record(const uint8_t* data, size_t size) : payload(data, data + size) {}
  virtual ~record() = default;
  record(const record&) = delete;
  record& operator=(const record&) = delete;
  int32_t type = 0;
  int32_t format = 0;
  int32_t compression = 0;
  bytes payload;
};

}  // namespace

// Both payloads copied out of a message's bytes into two new vectors.
void two_vectors(benchmark::State& state, size_t part_size) {
  const payloads p(part_size);
  for (auto _ : state) {
    bytes first(p.first.begin(), p.first.end());
    bytes second(p.second.begin(), p.second.end());
    benchmark::DoNotOptimize(first.data());
    benchmark::DoNotOptimize(second.data());
  }
  set_bytes(state, part_size);
}

// What a parse into a fresh message cannot do without: two part
// records allocated, each payload copied into its own buffer, and all of it
// freed again.
void part_records(benchmark::State& state, size_t part_size) {
  const payloads p(part_size);
  for (auto _ : state) {
    auto first = std::make_unique<record>(p.first.data(), p.first.size());
    auto second = std::make_unique<record>(p.second.data(), p.second.size());
    benchmark::DoNotOptimize(first.get());
    benchmark::DoNotOptimize(second.get());
  }
  set_bytes(state, part_size);
}

}  // namespace peers
