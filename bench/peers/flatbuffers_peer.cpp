// SPDX-License-Identifier: MIT
// FlatBuffers in the peer comparison: a table of two byte vectors, built
// with the builder's own calls and no generated code (field 0 the first
// payload, field 1 the second), verified before it is read.
#include <flatbuffers/flatbuffers.h>

#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

using flat_bytes = flatbuffers::Vector<uint8_t>;
constexpr flatbuffers::voffset_t first_field = 4;
constexpr flatbuffers::voffset_t second_field = 6;

// Builds the table into a builder sized for it: one allocation, as a
// vexal compose makes one.
void flat_build(flatbuffers::FlatBufferBuilder& builder, const payloads& p) {
  const auto first = builder.CreateVector(p.first);
  const auto second = builder.CreateVector(p.second);
  const auto start = builder.StartTable();
  builder.AddOffset(first_field, first);
  builder.AddOffset(second_field, second);
  builder.Finish(
      flatbuffers::Offset<flatbuffers::Table>(builder.EndTable(start)));
}

size_t flat_room(size_t part_size) { return 2 * part_size + 64; }

bytes flat_wire(const payloads& p) {
  flatbuffers::FlatBufferBuilder builder(flat_room(p.first.size()));
  flat_build(builder, p);
  return {builder.GetBufferPointer(),
          builder.GetBufferPointer() + builder.GetSize()};
}

// The vector in `field`, once verified; nullptr when it is not there.
const flat_bytes* flat_vector(const flatbuffers::Table& table,
                              flatbuffers::Verifier& verifier,
                              flatbuffers::voffset_t field) {
  if (!table.VerifyOffset(verifier, field)) return nullptr;
  const auto* vector = table.GetPointer<const flat_bytes*>(field);
  return vector != nullptr && verifier.VerifyVector(vector) ? vector : nullptr;
}

// Verifies the buffer and finds both vectors; false when it does not verify.
bool flat_read(const bytes& wire, const flat_bytes*& first,
               const flat_bytes*& second) {
  flatbuffers::Verifier verifier(wire.data(), wire.size());
  const auto* table = flatbuffers::GetRoot<flatbuffers::Table>(wire.data());
  if (!table->VerifyTableStart(verifier)) return false;
  first = flat_vector(*table, verifier, first_field);
  second = flat_vector(*table, verifier, second_field);
  return first != nullptr && second != nullptr && verifier.EndTable();
}

// Verifies `wire` and finds both payloads, for find_payloads.
auto flat_finder(const bytes& wire) {
  return [&wire](found& first, found& second) {
    const flat_bytes* first_vector = nullptr;
    const flat_bytes* second_vector = nullptr;
    if (!flat_read(wire, first_vector, second_vector)) return false;
    first = {first_vector->data(), first_vector->size()};
    second = {second_vector->data(), second_vector->size()};
    return true;
  };
}

}  // namespace

void flatbuffers_compose(benchmark::State& state, size_t part_size) {
  const payloads p(part_size);
  for (auto _ : state) {
    flatbuffers::FlatBufferBuilder builder(flat_room(part_size));
    flat_build(builder, p);
    benchmark::DoNotOptimize(builder.GetBufferPointer());
  }
  set_bytes(state, part_size);
}

void flatbuffers_parse(benchmark::State& state, size_t part_size) {
  const bytes wire = flat_wire(payloads(part_size));
  find_payloads<true>(state, part_size, flat_finder(wire));
}

void flatbuffers_read(benchmark::State& state, size_t part_size) {
  const bytes wire = flat_wire(payloads(part_size));
  find_payloads<false>(state, part_size, flat_finder(wire));
}

}  // namespace peers
