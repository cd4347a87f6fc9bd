// SPDX-License-Identifier: MIT
// msgpack-cxx in the peer comparison: an array of two bin objects, packed
// into an sbuffer and unpacked with bins that point into the caller's bytes.
#include <msgpack.hpp>

#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

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

const uint8_t* bytes_of(const msgpack::object_bin& bin) {
  return reinterpret_cast<const uint8_t*>(bin.ptr);
}

// Unpacks `wire`, its bins left pointing into it, and finds both payloads,
// for find_payloads.
auto msgpack_finder(const bytes& wire) {
  return [&wire](found& first, found& second) {
    const msgpack::object_handle handle = msgpack::unpack(
        reinterpret_cast<const char*>(wire.data()), wire.size(), reference_all);
    msgpack::object_bin first_bin{};
    msgpack::object_bin second_bin{};
    if (!msgpack_bins(handle.get(), first_bin, second_bin)) return false;
    first = {bytes_of(first_bin), first_bin.size};
    second = {bytes_of(second_bin), second_bin.size};
    return true;
  };
}

}  // namespace

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
  find_payloads<true>(state, part_size, msgpack_finder(wire));
}

void msgpack_read(benchmark::State& state, size_t part_size) {
  const bytes wire = msgpack_wire(payloads(part_size));
  find_payloads<false>(state, part_size, msgpack_finder(wire));
}

}  // namespace peers
