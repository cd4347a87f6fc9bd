// SPDX-License-Identifier: MIT
// Cap'n Proto in the peer comparison: a Pair struct (pair.capnp) of two
// Data fields in one segment, serialized as a flat array of words (the
// segment table, then the segment).
//
// The builder is Cap'n Proto's message object: it holds the message in its
// wire layout, in a first segment sized for it. Composing flattens a built
// message into a new word array (messageToFlatArray: one allocation and one
// copy), as a vexal compose serializes a message that holds both parts;
// building the message is not part of it, as building a vexal message is not
// part of a vexal compose. Reading wraps the words in a
// FlatArrayMessageReader, which checks the segment table, and fetches both
// fields, each pointer checked against the segment's bounds as it is
// followed; the payloads are handed out where they lie.
#include <capnp/message.h>
#include <capnp/serialize.h>

#include "pair.capnp.h"
#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

using words = kj::Array<capnp::word>;

// Words of the segment that holds both payloads: the root pointer, the
// struct's two pointers, and each payload padded to whole words.
size_t capnp_words(size_t part_size) {
  constexpr size_t word_size = sizeof(capnp::word);
  return 1 + 2 + 2 * ((part_size + word_size - 1) / word_size);
}

capnp::Data::Reader data_of(const bytes& payload) {
  return {payload.data(), payload.size()};
}

// The message of both payloads, built in one segment sized for it.
class pair_message {
 public:
  explicit pair_message(const payloads& p)
      : builder_(static_cast<unsigned>(capnp_words(p.first.size())),
                 capnp::AllocationStrategy::FIXED_SIZE) {
    auto pair = builder_.initRoot<capnp_peer::Pair>();
    pair.setFirst(data_of(p.first));
    pair.setSecond(data_of(p.second));
  }

  // False when the message took more than the one segment sized for it,
  // which would make the benchmarks measure another layout.
  bool one_segment() { return builder_.getSegmentsForOutput().size() == 1; }

  words flatten() { return capnp::messageToFlatArray(builder_); }

 private:
  capnp::MallocMessageBuilder builder_;
};

// The serialized message; empty when it is not in one segment.
words capnp_wire(const payloads& p) {
  pair_message message(p);
  return message.one_segment() ? message.flatten() : nullptr;
}

// Reads the message in `wire` and finds both fields, for find_payloads.
// Cap'n Proto throws kj::Exception on malformed words.
auto capnp_finder(const words& wire) {
  return [&wire](found& first, found& second) {
    capnp::FlatArrayMessageReader reader(wire.asPtr());
    const auto pair = reader.getRoot<capnp_peer::Pair>();
    const capnp::Data::Reader first_data = pair.getFirst();
    const capnp::Data::Reader second_data = pair.getSecond();
    first = {first_data.begin(), first_data.size()};
    second = {second_data.begin(), second_data.size()};
    return true;
  };
}

}  // namespace

void capnp_compose(benchmark::State& state, size_t part_size) {
  pair_message message{payloads(part_size)};
  if (!message.one_segment())
    return state.SkipWithError("more than one segment");
  for (auto _ : state) {
    const words wire = message.flatten();
    benchmark::DoNotOptimize(wire.begin());
  }
  set_bytes(state, part_size);
}

void capnp_parse(benchmark::State& state, size_t part_size) {
  const words wire = capnp_wire(payloads(part_size));
  if (wire.size() == 0) return state.SkipWithError("more than one segment");
  find_payloads<true>(state, part_size, capnp_finder(wire));
}

void capnp_read(benchmark::State& state, size_t part_size) {
  const words wire = capnp_wire(payloads(part_size));
  if (wire.size() == 0) return state.SkipWithError("more than one segment");
  find_payloads<false>(state, part_size, capnp_finder(wire));
}

}  // namespace peers
