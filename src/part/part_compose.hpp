// SPDX-License-Identifier: MIT
// Composing one part from its fields and a payload that may lie anywhere:
// the part record composes its own payload with it, and the C interface a
// caller's bytes, without first copying them into a record.
//
// Everything that can fail (the compression value, the codec, the stored
// length, the type and the format, in that order) is decided before the
// first byte is appended, so a compose that fails leaves `out` as it was.
#ifndef VEXAL_SRC_PART_PART_COMPOSE_HPP
#define VEXAL_SRC_PART_PART_COMPOSE_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "error/failure.hpp"
#include "part/codes.hpp"
#include "part/part_parse.hpp"
#include "serialization/byte_order.hpp"

namespace kelvo::detail {

// Names in `f` the first of the refusals of `encode_part_header` that
// applies to `fields` and `stored_size`; always returns false.
bool refuse_part_header(const part_fields& fields, size_t stored_size,
                        failure& f) noexcept;

// Writes into `wire` (vexal_part_header_size bytes) the header of a part
// with `fields` that stores `stored_size` bytes. Refuses an unknown
// compression, more than vexal_max_stored_size stored bytes, an unknown
// type and an unknown format, in that order, before anything is written.
// Inline, with the refusals out of line: every compose encodes two headers.
// Callers pass a zeroed `wire`: once this is inlined, GCC cannot tell that a
// refused header is never read, and warns of it as maybe uninitialized.
[[gnu::always_inline]] inline bool encode_part_header(const part_fields& fields,
                                                      size_t stored_size,
                                                      uint8_t* wire,
                                                      failure& f) noexcept {
  part_header::type type_code{};
  part_header::format format_code{};
  part_header::compression compression_code{};
  if (!look_up(fields.compression, compression_code) ||
      stored_size > vexal_max_stored_size || !look_up(fields.type, type_code) ||
      !look_up(fields.format, format_code)) {
    return refuse_part_header(fields, stored_size, f);
  }
  // Made whole, then stored at once: a copy of the header that follows
  // reads it back from one store rather than from five.
  uint8_t image[vexal_part_header_size];
  image[vexal_part_type_offset] = static_cast<uint8_t>(type_code);
  image[vexal_part_format_offset] = static_cast<uint8_t>(format_code);
  image[vexal_part_compression_offset] = static_cast<uint8_t>(compression_code);
  image[vexal_part_reserved_offset] = 0;
  encode_be32(image + vexal_part_length_offset,
              static_cast<uint32_t>(stored_size));
  std::memcpy(wire, image, sizeof image);
  return true;
}

// A part ready to be written out: its header, and where its stored bytes
// lie (the caller's payload itself, or its zlib stream).
struct part_wire {
  uint8_t header[vexal_part_header_size] = {};
  const uint8_t* stored = nullptr;
  size_t stored_size = 0;
};

// `prepare_part` of a part stored as is, inline: its payload is written
// straight from where it lies, so nothing is allocated and only the header
// can be refused.
[[gnu::always_inline]] inline bool prepare_stored_part(
    const part_fields& fields, const uint8_t* payload, size_t size,
    part_wire& wire, failure& f) noexcept {
  wire.stored = payload;
  wire.stored_size = size;
  return encode_part_header(fields, size, wire.header, f);
}

// Everything of composing the part with `fields` whose payload is the
// `size` bytes at `payload`, short of writing it: a compressed payload is
// deflated into `deflated`, and the header is encoded. Throws
// std::bad_alloc only.
bool prepare_part(const part_fields& fields, const uint8_t* payload,
                  size_t size, std::vector<uint8_t>& deflated, part_wire& wire,
                  failure& f);

// Appends to `out` the part with `fields` whose payload is the `size`
// bytes at `payload`: its header, then the payload as is or its zlib
// stream. Throws std::bad_alloc only.
bool compose_part(const part_fields& fields, const uint8_t* payload,
                  size_t size, std::vector<uint8_t>& out, failure& f);

// Writes into `headers` (2 * vexal_part_header_size bytes) the headers of
// the message whose parts, with `first` and `second` and stored as is, have
// payloads of `first_size` and `second_size` bytes, for a caller that sends
// each payload from where it lies. Refuses, part by part, what
// `encode_part_header` refuses, and a valid compression other than `none`
// as `compressed_part`; nothing is written then.
bool encode_raw_headers(const part_fields& first, size_t first_size,
                        const part_fields& second, size_t second_size,
                        uint8_t* headers, failure& f) noexcept;

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_PART_COMPOSE_HPP
