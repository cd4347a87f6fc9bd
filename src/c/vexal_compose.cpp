// SPDX-License-Identifier: MIT
// The C interface's writing side: a message composed into the caller's
// memory or into one buffer for the caller, each payload copied once (or
// deflated straight from the caller's bytes), and the raw headers for a
// gather write that copies nothing.
#include <cstring>
#include <limits>
#include <vector>

#include "c/c_support.hpp"
#include "part/part_compose.hpp"
#include "part/zlib_codec.hpp"
#include "serialization/copy_bytes.hpp"
#include "vexal/vexal.h"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;          // NOLINT(google-build-using-namespace)
using namespace kelvo::detail;  // NOLINT(google-build-using-namespace)

namespace {

// One part to compose, as the C functions take it.
struct c_part {
  const uint8_t* payload;
  size_t size;
  int format;
  int compression;
};

c_part from_struct(const vexal_part_spec_t& given) {
  return {given.payload, given.size, given.format, given.compression};
}

// A C part's fields; its type is its place's.
part_fields fields_of(const c_part& wanted, vexal_part_type type) {
  return {type, static_cast<vexal_part_payload::format>(wanted.format),
          static_cast<vexal_part_payload::compression>(wanted.compression)};
}

// A NULL payload of some size, named for the message.
const char* missing(const c_part& first, const c_part& second,
                    const char* first_name, const char* second_name) {
  if (first.payload == nullptr && first.size > 0) return first_name;
  if (second.payload == nullptr && second.size > 0) return second_name;
  return nullptr;
}

// Both parts made ready to write, the first checked and deflated before the
// second, and the message's size.
struct prepared_message {
  std::vector<uint8_t> deflated[2];
  part_wire wires[2];
  size_t size = 0;
};

failure prepare(const c_part& first, const c_part& second,
                prepared_message& out) noexcept {
  failure f;
  const auto prepare_one = [&f, &out](const c_part& wanted,
                                      vexal_part_type type, int i) {
    const part_fields fields = fields_of(wanted, type);
    // A part stored as is allocates nothing: it needs no guard for memory.
    if (fields.compression == vexal_part_payload::compression::none) {
      return prepare_stored_part(fields, wanted.payload, wanted.size,
                                 out.wires[i], f);
    }
    catch_out_of_memory(f, [&] {
      prepare_part(fields, wanted.payload, wanted.size, out.deflated[i],
                   out.wires[i], f);
    });
    return !f;
  };
  if (prepare_one(first, vexal_part_type::first, 0)) {
    prepare_one(second, vexal_part_type::second, 1);
  }
  // Both stored lengths fit in 32 bits, so the sum cannot wrap.
  out.size = 2 * vexal_part_header_size + out.wires[0].stored_size +
             out.wires[1].stored_size;
  return f;
}

// Writes the prepared message's bytes at `out`, which has room for them.
void write(const prepared_message& message, uint8_t* out) noexcept {
  for (const part_wire& wire : message.wires) {
    std::memcpy(out, wire.header, vexal_part_header_size);
    out += vexal_part_header_size;
    copy_bytes(out, wire.stored, wire.stored_size);
    out += wire.stored_size;
  }
}

vexal_status_t refused(vexal_error_t* error, const failure& f) noexcept {
  return report(error,
                f.code == vexal_errc::out_of_memory ? VEXAL_OUT_OF_MEMORY
                                                    : VEXAL_INVALID_ARGUMENT,
                f);
}

// Sets `bound` to the most stored bytes of a part of `size` payload bytes
// composed with `compression`; false for an unknown compression, or when
// they could pass what a part holds.
bool stored_bound(size_t size, int compression, size_t& bound) noexcept {
  if (compression < VEXAL_COMPRESSION_NONE ||
      compression > VEXAL_COMPRESSION_ZLIB_LEVEL(9) ||
      size > vexal_max_stored_size) {
    return false;
  }
  bound =
      compression == VEXAL_COMPRESSION_NONE ? size : zlib_deflate_bound(size);
  return bound <= vexal_max_stored_size;
}

}  // namespace

size_t vexal_compose_bound(size_t first_size, int first_compression,
                           size_t second_size,
                           int second_compression) noexcept {
  size_t first;
  size_t second;
  if (!stored_bound(first_size, first_compression, first) ||
      !stored_bound(second_size, second_compression, second) ||
      first > std::numeric_limits<size_t>::max() - VEXAL_RAW_HEADERS_SIZE -
                  second) {
    return 0;
  }
  return VEXAL_RAW_HEADERS_SIZE + first + second;
}

vexal_status_t vexal_compose_into(const uint8_t* first, size_t first_size,
                                  int first_format, int first_compression,
                                  const uint8_t* second, size_t second_size,
                                  int second_format, int second_compression,
                                  uint8_t* out, size_t out_capacity,
                                  size_t* out_size,
                                  vexal_error_t* error) noexcept {
  if (out_size == nullptr) return null_argument(error, "out_size");
  *out_size = 0;
  const c_part parts[] = {
      {first, first_size, first_format, first_compression},
      {second, second_size, second_format, second_compression}};
  if (const char* name = missing(parts[0], parts[1], "first", "second")) {
    return null_argument(error, name);
  }
  if (out == nullptr && out_capacity > 0) return null_argument(error, "out");
  prepared_message message;
  if (const failure f = prepare(parts[0], parts[1], message)) {
    return refused(error, f);
  }
  *out_size = message.size;
  // A message has at least its two headers, so no room is always too small.
  if (message.size > out_capacity || out == nullptr) {
    return report(error, VEXAL_OUTPUT_TOO_SMALL);
  }
  write(message, out);
  return report(error, VEXAL_OK);
}

vexal_status_t vexal_compose(const vexal_part_spec_t* first,
                             const vexal_part_spec_t* second, uint8_t** out,
                             size_t* out_size, vexal_error_t* error) noexcept {
  if (out == nullptr) return null_argument(error, "out");
  *out = nullptr;
  if (out_size == nullptr) return null_argument(error, "out_size");
  *out_size = 0;
  if (first == nullptr) return null_argument(error, "first");
  if (second == nullptr) return null_argument(error, "second");
  const c_part parts[] = {from_struct(*first), from_struct(*second)};
  if (const char* name =
          missing(parts[0], parts[1], "first->payload", "second->payload")) {
    return null_argument(error, name);
  }
  prepared_message message;
  if (const failure f = prepare(parts[0], parts[1], message)) {
    return refused(error, f);
  }
  uint8_t* bytes = allocate_for_caller(message.size);
  if (bytes == nullptr) {
    return report(error, VEXAL_OUT_OF_MEMORY, fail(vexal_errc::out_of_memory));
  }
  write(message, bytes);
  *out = bytes;
  *out_size = message.size;
  return report(error, VEXAL_OK);
}

vexal_status_t vexal_raw_headers(const vexal_part_spec_t* first,
                                 const vexal_part_spec_t* second,
                                 uint8_t headers[16],
                                 vexal_error_t* error) noexcept {
  if (headers == nullptr) return null_argument(error, "headers");
  if (first == nullptr) return null_argument(error, "first");
  if (second == nullptr) return null_argument(error, "second");
  const c_part parts[] = {from_struct(*first), from_struct(*second)};
  if (const char* name =
          missing(parts[0], parts[1], "first->payload", "second->payload")) {
    return null_argument(error, name);
  }
  failure f;
  if (!encode_raw_headers(fields_of(parts[0], vexal_part_type::first),
                          first->size,
                          fields_of(parts[1], vexal_part_type::second),
                          second->size, headers, f)) {
    return report(error, VEXAL_INVALID_ARGUMENT, f);
  }
  return report(error, VEXAL_OK);
}
