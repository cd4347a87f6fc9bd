// SPDX-License-Identifier: MIT
// A FlatBuffers table of two byte vectors, the two payloads of a vexal
// message, built with the builder's own calls and no generated code (field
// 0 the first payload, field 1 the second) and verified before it is read.
// The in-tree benchmarks and the peer comparison both measure it.
#ifndef VEXAL_BENCH_FLATBUFFERS_PAIR_HPP
#define VEXAL_BENCH_FLATBUFFERS_PAIR_HPP

#include <flatbuffers/flatbuffers.h>

#include <cstdint>
#include <vector>

namespace flatbuffers_pair {

using bytes_vector = flatbuffers::Vector<uint8_t>;
// The vtable slots of fields 0 and 1.
constexpr flatbuffers::voffset_t first_field = 4;
constexpr flatbuffers::voffset_t second_field = 6;

// Builds the table of `first` and `second` in `builder`.
inline void build(flatbuffers::FlatBufferBuilder& builder,
                  const std::vector<uint8_t>& first,
                  const std::vector<uint8_t>& second) {
  const auto first_vector = builder.CreateVector(first);
  const auto second_vector = builder.CreateVector(second);
  const auto start = builder.StartTable();
  builder.AddOffset(first_field, first_vector);
  builder.AddOffset(second_field, second_vector);
  builder.Finish(
      flatbuffers::Offset<flatbuffers::Table>(builder.EndTable(start)));
}

// The vector in `field`, once verified; nullptr when it is not there.
inline const bytes_vector* verified_vector(const flatbuffers::Table& table,
                                           flatbuffers::Verifier& verifier,
                                           flatbuffers::voffset_t field) {
  if (!table.VerifyOffset(verifier, field)) return nullptr;
  const auto* vector = table.GetPointer<const bytes_vector*>(field);
  return vector != nullptr && verifier.VerifyVector(vector) ? vector : nullptr;
}

// Verifies the table in `wire` and finds both vectors; false when it does
// not verify.
inline bool read(const std::vector<uint8_t>& wire, const bytes_vector*& first,
                 const bytes_vector*& second) {
  flatbuffers::Verifier verifier(wire.data(), wire.size());
  const auto* table = flatbuffers::GetRoot<flatbuffers::Table>(wire.data());
  if (!table->VerifyTableStart(verifier)) return false;
  first = verified_vector(*table, verifier, first_field);
  second = verified_vector(*table, verifier, second_field);
  return first != nullptr && second != nullptr && verifier.EndTable();
}

}  // namespace flatbuffers_pair

#endif  // VEXAL_BENCH_FLATBUFFERS_PAIR_HPP
