// SPDX-License-Identifier: MIT
// The benchmarks of the peer comparison, one file per library (and one for
// the floors of owning), each run for two payloads of `part_size` bytes:
//   compose  builds a message of the two payloads into bytes;
//   parse    checks or decodes the bytes and leaves both payloads in
//            buffers the caller owns;
//   read     checks the bytes and hands out both payloads where they lie,
//            copying nothing.
// peer_bench.cpp registers them as <library>/<operation>/<bytes per part>.
#ifndef VEXAL_PEERS_PEERS_HPP
#define VEXAL_PEERS_PEERS_HPP

#include <benchmark/benchmark.h>

#include <cstddef>

namespace peers {

using benchmark_function = void (*)(benchmark::State&, size_t);

// floors.cpp: what owning two payloads costs at least.
void two_vectors(benchmark::State& state, size_t part_size);
void part_records(benchmark::State& state, size_t part_size);

// vexal_peer.cpp: libvexal through its installed headers; parse_reused
// parses into the same message again instead of a fresh one, and
// new_message makes and frees an empty message (its two part records),
// the rest of what a parse into a fresh message costs.
void vexal_compose(benchmark::State& state, size_t part_size);
void vexal_parse(benchmark::State& state, size_t part_size);
void vexal_parse_reused(benchmark::State& state, size_t part_size);
void vexal_new_message(benchmark::State& state, size_t part_size);
void vexal_read(benchmark::State& state, size_t part_size);

// flatbuffers_peer.cpp: a table of two byte vectors.
void flatbuffers_compose(benchmark::State& state, size_t part_size);
void flatbuffers_parse(benchmark::State& state, size_t part_size);
void flatbuffers_read(benchmark::State& state, size_t part_size);

// msgpack_peer.cpp: an array of two bins.
void msgpack_compose(benchmark::State& state, size_t part_size);
void msgpack_parse(benchmark::State& state, size_t part_size);
void msgpack_read(benchmark::State& state, size_t part_size);

// capnp_peer.cpp: a struct of two Data fields (pair.capnp).
void capnp_compose(benchmark::State& state, size_t part_size);
void capnp_parse(benchmark::State& state, size_t part_size);
void capnp_read(benchmark::State& state, size_t part_size);

// protobuf_peer.cpp: a message of two bytes fields (pair.proto). protobuf
// has no read in place: a parsed message owns copies of its fields.
void protobuf_compose(benchmark::State& state, size_t part_size);
void protobuf_parse(benchmark::State& state, size_t part_size);

}  // namespace peers

#endif  // VEXAL_PEERS_PEERS_HPP
