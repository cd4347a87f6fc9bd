// SPDX-License-Identifier: MIT
// FlatBuffers' read of a table holding two byte vectors, the two payloads of
// a vexal message: the buffer is verified, as a view checks its headers,
// then both vectors are found in place. Nothing is copied. The table is
// built with the builder's own calls, with no generated code: field 0 the
// first payload, field 1 the second.
#include <benchmark/benchmark.h>
#include <flatbuffers/flatbuffers.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payloads.hpp"
#include "peer_bench.hpp"

namespace vexal_bench {
namespace {

using bytes_vector = flatbuffers::Vector<uint8_t>;
// The vtable slots of fields 0 and 1.
constexpr flatbuffers::voffset_t first_field = 4;
constexpr flatbuffers::voffset_t second_field = 6;

std::vector<uint8_t> build_table(payload_kind kind, size_t part_size) {
  flatbuffers::FlatBufferBuilder builder;
  const auto first = builder.CreateVector(make_payload(kind, part_size, 1));
  const auto second = builder.CreateVector(make_payload(kind, part_size, 2));
  const auto start = builder.StartTable();
  builder.AddOffset(first_field, first);
  builder.AddOffset(second_field, second);
  builder.Finish(
      flatbuffers::Offset<flatbuffers::Table>(builder.EndTable(start)));
  return {builder.GetBufferPointer(),
          builder.GetBufferPointer() + builder.GetSize()};
}

// The vector in `field`, once verified; nullptr when it is not there.
const bytes_vector* verified_vector(const flatbuffers::Table& table,
                                    flatbuffers::Verifier& verifier,
                                    flatbuffers::voffset_t field) {
  if (!table.VerifyOffset(verifier, field)) return nullptr;
  const auto* vector = table.GetPointer<const bytes_vector*>(field);
  return vector != nullptr && verifier.VerifyVector(vector) ? vector : nullptr;
}

void flatbuffers_read(benchmark::State& state, payload_kind kind,
                      size_t part_size) {
  const std::vector<uint8_t> buffer = build_table(kind, part_size);
  bool ok = true;
  for (auto _ : state) {
    flatbuffers::Verifier verifier(buffer.data(), buffer.size());
    const auto* table = flatbuffers::GetRoot<flatbuffers::Table>(buffer.data());
    const bool start = table->VerifyTableStart(verifier);
    const bytes_vector* first = verified_vector(*table, verifier, first_field);
    const bytes_vector* second =
        verified_vector(*table, verifier, second_field);
    ok &= start && first != nullptr && second != nullptr &&
          verifier.EndTable() && first->size() == part_size &&
          second->size() == part_size;
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
