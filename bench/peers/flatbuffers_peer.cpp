// SPDX-License-Identifier: MIT
// FlatBuffers in the peer comparison: the table of two byte vectors of
// bench/flatbuffers_pair.hpp, built into a builder sized for it and
// verified before it is read.
#include <flatbuffers/flatbuffers.h>

#include "../flatbuffers_pair.hpp"
#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

size_t flat_room(size_t part_size) { return 2 * part_size + 64; }

bytes flat_wire(const payloads& p) {
  flatbuffers::FlatBufferBuilder builder(flat_room(p.first.size()));
  flatbuffers_pair::build(builder, p.first, p.second);
  return {builder.GetBufferPointer(),
          builder.GetBufferPointer() + builder.GetSize()};
}

// Verifies `wire` and finds both payloads, for find_payloads.
auto flat_finder(const bytes& wire) {
  return [&wire](found& first, found& second) {
    const flatbuffers_pair::bytes_vector* first_vector = nullptr;
    const flatbuffers_pair::bytes_vector* second_vector = nullptr;
    if (!flatbuffers_pair::read(wire, first_vector, second_vector))
      return false;
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
    flatbuffers_pair::build(builder, p.first, p.second);
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
