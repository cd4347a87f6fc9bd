// SPDX-License-Identifier: MIT
// The peer comparison for two payloads of the same size: composing a
// message of them, parsing it into buffers the caller owns, and reading it
// in place (checking it, then handing out both payloads where they lie),
// for libvexal, FlatBuffers and msgpack-cxx, beside the floors that owning
// costs: two payloads copied into two vectors, and the library's own
// allocations (two heap-allocated part records, each with its payload).
//
// libvexal is called as a user calls it, through the installed headers and
// shared library (bench/peers/CMakeLists.txt), with default arguments.
// Names read <library>/<operation>/<bytes per part>.
#include <benchmark/benchmark.h>
#include <flatbuffers/flatbuffers.h>
#include <vexal/vexal.hpp>
#include <vexal/view.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <msgpack.hpp>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

// Two payloads of `size` bytes that differ, the same in every run.
bytes make_payload(size_t size, uint8_t seed) {
  bytes payload(size);
  uint32_t state = 2654435761U * (seed + 1U);
  for (uint8_t& byte : payload) {
    state = state * 1664525U + 1013904223U;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return payload;
}

struct payloads {
  explicit payloads(size_t size)
      : first(make_payload(size, 1)), second(make_payload(size, 2)) {}
  bytes first;
  bytes second;
};

void set_bytes(benchmark::State& state, size_t part_size) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(2 * part_size));
}

// ---- the floors of owning ------------------------------------------------

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

// ---- libvexal --------------------------------------------------------------

kelvo::vexal vexal_message(const payloads& p) {
  return {kelvo::vexal_first_part(p.first), kelvo::vexal_second_part(p.second)};
}

bytes vexal_wire(const payloads& p) {
  bytes wire;
  vexal_message(p).compose(wire);
  return wire;
}

void vexal_compose(benchmark::State& state, size_t part_size) {
  const kelvo::vexal message = vexal_message(payloads(part_size));
  for (auto _ : state) {
    bytes out;
    message.compose(out);
    benchmark::DoNotOptimize(out.data());
  }
  set_bytes(state, part_size);
}

// Parses into a fresh message each time (`Fresh`), as a program that keeps
// what it parses, or into one message that reuses its payload buffers.
template <bool Fresh>
void vexal_parse(benchmark::State& state, size_t part_size) {
  const bytes wire = vexal_wire(payloads(part_size));
  kelvo::vexal reused;
  bool ok = true;
  const auto parse = [&](kelvo::vexal& message) {
    ok &= message.parse(wire, 0) == wire.size();
    benchmark::DoNotOptimize(message);
  };
  for (auto _ : state) {
    if constexpr (Fresh) {
      kelvo::vexal message;
      parse(message);
    } else {
      parse(reused);
    }
  }
  if (!ok) state.SkipWithError("the message did not parse");
  set_bytes(state, part_size);
}

void vexal_read(benchmark::State& state, size_t part_size) {
  const bytes wire = vexal_wire(payloads(part_size));
  kelvo::vexal_view view;
  bool ok = true;
  for (auto _ : state) {
    ok &= view.parse(wire.data(), wire.size(), 0) == wire.size();
    const uint8_t* first = view.first().payload_data();
    const uint8_t* second = view.second().payload_data();
    ok &= view.first().payload_size() == part_size;
    benchmark::DoNotOptimize(first);
    benchmark::DoNotOptimize(second);
  }
  if (!ok) state.SkipWithError("the view did not parse");
  set_bytes(state, part_size);
}

// ---- FlatBuffers
// ------------------------------------------------------------- A table of two
// byte vectors, built with the builder's own calls and no generated code: field
// 0 the first payload, field 1 the second.

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
  bool ok = true;
  for (auto _ : state) {
    const flat_bytes* first = nullptr;
    const flat_bytes* second = nullptr;
    ok &= flat_read(wire, first, second);
    bytes first_copy(first->begin(), first->end());
    bytes second_copy(second->begin(), second->end());
    benchmark::DoNotOptimize(first_copy.data());
    benchmark::DoNotOptimize(second_copy.data());
  }
  if (!ok) state.SkipWithError("the table did not verify");
  set_bytes(state, part_size);
}

void flatbuffers_read(benchmark::State& state, size_t part_size) {
  const bytes wire = flat_wire(payloads(part_size));
  bool ok = true;
  for (auto _ : state) {
    const flat_bytes* first = nullptr;
    const flat_bytes* second = nullptr;
    ok &= flat_read(wire, first, second) && first->size() == part_size;
    benchmark::DoNotOptimize(first);
    benchmark::DoNotOptimize(second);
  }
  if (!ok) state.SkipWithError("the table did not verify");
  set_bytes(state, part_size);
}

// ---- msgpack-cxx
// --------------------------------------------------------------- An array of
// two bin objects.

void msgpack_pack(msgpack::sbuffer& buffer, const payloads& p) {
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_array(2);
  for (const bytes* payload : {&p.first, &p.second}) {
    packer.pack_bin(static_cast<uint32_t>(payload->size()));
    packer.pack_bin_body(reinterpret_cast<const char*>(payload->data()),
                         static_cast<uint32_t>(payload->size()));
  }
}

bytes msgpack_wire(const payloads& p) {
  msgpack::sbuffer buffer;
  msgpack_pack(buffer, p);
  return {reinterpret_cast<const uint8_t*>(buffer.data()),
          reinterpret_cast<const uint8_t*>(buffer.data()) + buffer.size()};
}

// Leaves bin objects pointing into the caller's bytes.
bool reference_all(msgpack::type::object_type, std::size_t, void*) {
  return true;
}

// The two bins of the array in `object`; false for anything else.
bool msgpack_bins(const msgpack::object& object, msgpack::object_bin& first,
                  msgpack::object_bin& second) {
  if (object.type != msgpack::type::ARRAY || object.via.array.size != 2)
    return false;
  const msgpack::object* items = object.via.array.ptr;
  if (items[0].type != msgpack::type::BIN ||
      items[1].type != msgpack::type::BIN)
    return false;
  first = items[0].via.bin;
  second = items[1].via.bin;
  return true;
}

void msgpack_compose(benchmark::State& state, size_t part_size) {
  const payloads p(part_size);
  for (auto _ : state) {
    msgpack::sbuffer buffer(2 * part_size + 16);
    msgpack_pack(buffer, p);
    benchmark::DoNotOptimize(buffer.data());
  }
  set_bytes(state, part_size);
}

void msgpack_parse(benchmark::State& state, size_t part_size) {
  const bytes wire = msgpack_wire(payloads(part_size));
  bool ok = true;
  for (auto _ : state) {
    const msgpack::object_handle handle = msgpack::unpack(
        reinterpret_cast<const char*>(wire.data()), wire.size(), reference_all);
    msgpack::object_bin first{};
    msgpack::object_bin second{};
    ok &= msgpack_bins(handle.get(), first, second);
    const auto* first_data = reinterpret_cast<const uint8_t*>(first.ptr);
    const auto* second_data = reinterpret_cast<const uint8_t*>(second.ptr);
    bytes first_copy(first_data, first_data + first.size);
    bytes second_copy(second_data, second_data + second.size);
    benchmark::DoNotOptimize(first_copy.data());
    benchmark::DoNotOptimize(second_copy.data());
  }
  if (!ok) state.SkipWithError("the array did not unpack");
  set_bytes(state, part_size);
}

void msgpack_read(benchmark::State& state, size_t part_size) {
  const bytes wire = msgpack_wire(payloads(part_size));
  bool ok = true;
  for (auto _ : state) {
    const msgpack::object_handle handle = msgpack::unpack(
        reinterpret_cast<const char*>(wire.data()), wire.size(), reference_all);
    msgpack::object_bin first{};
    msgpack::object_bin second{};
    ok &= msgpack_bins(handle.get(), first, second) && first.size == part_size;
    benchmark::DoNotOptimize(first.ptr);
    benchmark::DoNotOptimize(second.ptr);
  }
  if (!ok) state.SkipWithError("the array did not unpack");
  set_bytes(state, part_size);
}

struct entry {
  const char* name;
  void (*run)(benchmark::State&, size_t);
};

constexpr entry entries[] = {
    {"floor/two_vectors", two_vectors},
    {"floor/part_records", part_records},
    {"vexal/compose", vexal_compose},
    {"vexal/parse", vexal_parse<true>},
    {"vexal/parse_reused", vexal_parse<false>},
    {"vexal/read", vexal_read},
    {"flatbuffers/compose", flatbuffers_compose},
    {"flatbuffers/parse", flatbuffers_parse},
    {"flatbuffers/read", flatbuffers_read},
    {"msgpack/compose", msgpack_compose},
    {"msgpack/parse", msgpack_parse},
    {"msgpack/read", msgpack_read},
};

}  // namespace

int main(int argc, char** argv) {
  for (const size_t part_size : {size_t{16}, size_t{4096}, size_t{65536}}) {
    for (const entry& e : entries) {
      const std::string name =
          std::string(e.name) + "/" + std::to_string(part_size);
      benchmark::RegisterBenchmark(name.c_str(), e.run, part_size);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
