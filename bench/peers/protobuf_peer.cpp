// SPDX-License-Identifier: MIT
// protobuf in the peer comparison: a Pair message (pair.proto) of two bytes
// fields, with the code protoc generates for speed.
//
// Composing serializes a message that holds both payloads, as a vexal
// compose serializes a message that holds both parts: SerializeToString
// sizes the string once and writes into it. Parsing decodes into a fresh
// message, whose two strings are the owned buffers. The message lives on
// the heap, not on an Arena: an Arena pays off when a message has many
// sub-objects to free at once, while here it would hold two strings whose
// bytes come from the heap all the same, and cost one more block per
// message. protobuf has no read in place: every parse copies the fields.
#include <string>

#include "pair.pb.h"
#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

protobuf_peer::Pair protobuf_message(const payloads& p) {
  protobuf_peer::Pair message;
  message.set_first(p.first.data(), p.first.size());
  message.set_second(p.second.data(), p.second.size());
  return message;
}

}  // namespace

void protobuf_compose(benchmark::State& state, size_t part_size) {
  const protobuf_peer::Pair message = protobuf_message(payloads(part_size));
  bool ok = true;
  for (auto _ : state) {
    std::string out;
    ok &= message.SerializeToString(&out);
    benchmark::DoNotOptimize(out.data());
  }
  if (!ok) state.SkipWithError("the message did not serialize");
  set_bytes(state, part_size);
}

void protobuf_parse(benchmark::State& state, size_t part_size) {
  const std::string wire =
      protobuf_message(payloads(part_size)).SerializeAsString();
  const int wire_size = static_cast<int>(wire.size());
  bool ok = true;
  for (auto _ : state) {
    protobuf_peer::Pair message;
    ok &= message.ParseFromArray(wire.data(), wire_size) &&
          message.first().size() == part_size;
    benchmark::DoNotOptimize(message.first().data());
    benchmark::DoNotOptimize(message.second().data());
  }
  if (!ok) state.SkipWithError("the message did not parse");
  set_bytes(state, part_size);
}

}  // namespace peers
