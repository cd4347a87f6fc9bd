// SPDX-License-Identifier: MIT
// A part parse in two steps, for a caller that must read a part's header
// before it may take the part's payload: the message reads its first part
// so, and takes that part's payload only once its second part has been read.
// The record's own parse (`impl::parse_part`) is the two steps back to back;
// a message view takes step one only, and leaves the payload where it lies.
//
// Every step reports a refusal through a `failure&` that it sets only when
// it refuses, so the success path writes nothing there; only a lack of
// memory throws.
#ifndef VEXAL_SRC_PART_PART_PARSE_HPP
#define VEXAL_SRC_PART_PART_PARSE_HPP

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "error/failure.hpp"
#include "part/codes.hpp"
#include "part/impl.hpp"
#include "vexal/constants.hpp"

namespace kelvo::detail {

// Where a part's stored bytes lie in its input.
struct stored_bytes {
  size_t at;    // offset of the first stored byte, just past the header
  size_t size;  // the stored length L that the header announces

  size_t end() const { return at + size; }
};

// What a part header's codes stand for.
struct part_fields {
  vexal_part_type type;
  vexal_part_payload::format format;
  vexal_part_payload::compression compression;
};

// Converts the three codes of the header at `wire`, which lies at offset
// `at` of its input, into `record`'s type, format and compression (a part
// record, `part_fields`, or anything else with those three fields), each as
// soon as its own code has converted. Refuses the first code outside its
// table, at that code's offset.
template <typename Record>
[[gnu::always_inline]] inline bool read_codes(Record& record,
                                              const uint8_t* wire, uint64_t at,
                                              failure& f) {
  using header = vexal_part_ctx::impl::header;
  if (!look_up(header::type_at(wire), record.type)) {
    refuse(f, vexal_errc::unknown_type_code, at + vexal_part_type_offset);
    return false;
  }
  if (!look_up(header::format_at(wire), record.format)) {
    refuse(f, vexal_errc::unknown_format_code, at + vexal_part_format_offset);
    return false;
  }
  if (!look_up(header::compression_at(wire), record.compression)) {
    refuse(f, vexal_errc::unknown_compression_code,
           at + vexal_part_compression_offset);
    return false;
  }
  return true;
}

// Step one: reads the header of the part at `offset` of the `size` bytes at
// `data`. Returns nothing, and changes nothing, when they do not hold the
// whole part; otherwise converts its codes into `record` (`read_codes`).
// Always inlined: a message parse is two of these, and a call for each
// costs as much again.
template <typename Record>
[[gnu::always_inline]] inline std::optional<stored_bytes> read_part_header(
    Record& record, const uint8_t* data, size_t size, size_t offset,
    failure& f) {
  using header = vexal_part_ctx::impl::header;
  // Too few bytes for a header (also an offset at or past the end).
  if (offset > size || size - offset < header::wire_size) return std::nullopt;
  const uint8_t* wire = data + offset;
  const size_t pos = offset + header::wire_size;
  const size_t stored_size = header::stored_length(wire);
  // The stored bytes are not all there yet.
  if (size - pos < stored_size) return std::nullopt;
  if (!read_codes(record, wire, offset, f)) return std::nullopt;
  return stored_bytes{pos, stored_size};
}

// Step two for a compressed part: the stored bytes inflated into `payload`.
bool take_compressed(std::vector<uint8_t>& payload, const uint8_t* data,
                     stored_bytes stored, size_t max_payload, failure& f);

// Step two: replaces `payload` with the stored bytes (`stored` of `data`, as
// step one found them), inflated when `compression` is not `none` (up to
// `max_payload` bytes; a payload stored as is has been measured against its
// bound from its header). Copying allocates nothing when the buffer already
// holds `stored.size` bytes, and exactly `stored.size` bytes when it does
// not. A refusal lies at the first stored byte; the payload then holds the
// stored bytes. Throws std::bad_alloc only.
inline bool take_payload(vexal_part_payload::compression compression,
                         std::vector<uint8_t>& payload, const uint8_t* data,
                         stored_bytes stored, size_t max_payload, failure& f) {
  if (compression != vexal_part_payload::compression::none) {
    return take_compressed(payload, data, stored, max_payload, f);
  }
  // One copy, into the buffer as it is when it holds the bytes, else into
  // one exact allocation; the payload is emptied first, so a lack of memory
  // leaves it empty, as in every step that replaces a payload.
  payload.clear();
  payload.assign(data + stored.at, data + stored.end());
  return true;
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_PART_PARSE_HPP
