// SPDX-License-Identifier: MIT
// FlatBuffers' read of a table holding two byte vectors, the two payloads of
// a vexal message (flatbuffers_pair.hpp): the buffer is verified, as a view
// checks its headers, then both vectors are found in place. Nothing is
// copied.
#include <benchmark/benchmark.h>
#include <flatbuffers/flatbuffers.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "flatbuffers_pair.hpp"
#include "payloads.hpp"
#include "peer_bench.hpp"

namespace vexal_bench {
namespace {

std::vector<uint8_t> build_table(payload_kind kind, size_t part_size) {
  flatbuffers::FlatBufferBuilder builder;
  flatbuffers_pair::build(builder, make_payload(kind, part_size, 1),
                          make_payload(kind, part_size, 2));
  return {builder.GetBufferPointer(),
          builder.GetBufferPointer() + builder.GetSize()};
}

void flatbuffers_read(benchmark::State& state, payload_kind kind,
                      size_t part_size) {
  const std::vector<uint8_t> buffer = build_table(kind, part_size);
  bool ok = true;
  for (auto _ : state) {
    const flatbuffers_pair::bytes_vector* first = nullptr;
    const flatbuffers_pair::bytes_vector* second = nullptr;
    ok &= flatbuffers_pair::read(buffer, first, second) &&
          first->size() == part_size && second->size() == part_size;
    benchmark::DoNotOptimize(first);
    benchmark::DoNotOptimize(second);
  }
  if (!ok) state.SkipWithError("the table did not verify");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(2 * part_size));
}

}  // namespace

void register_flatbuffers_benchmarks() {
  for (const payload_kind kind : {payload_kind::text, payload_kind::random}) {
    for (const size_t part_size : {size_t{16}, size_t{4096}, size_t{1} << 20}) {
      const std::string name = std::string("flatbuffers_read/none/") +
                               payload_kind_name(kind) + "/" +
                               std::to_string(part_size);
      benchmark::RegisterBenchmark(name.c_str(), flatbuffers_read, kind,
                                   part_size);
    }
  }
}

}  // namespace vexal_bench
