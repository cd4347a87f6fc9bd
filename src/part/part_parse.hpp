// SPDX-License-Identifier: MIT
// A part parse in two steps, for a caller that must read a part's header
// before it may take the part's payload: the message reads its first part
// so, and takes that part's payload only once its second part has been read.
// The record's own parse (`impl::parse_bounded`) is the two steps back to
// back; a message view takes step one only, and leaves the payload where it
// lies.
#ifndef VEXAL_SRC_PART_PART_PARSE_HPP
#define VEXAL_SRC_PART_PART_PARSE_HPP

#include <cstddef>
#include <cstdint>
#include <optional>

#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/limit_errors.hpp"

namespace kelvo::detail {

// Where a part's stored bytes lie in its input.
struct stored_bytes {
  size_t at;    // offset of the first stored byte, just past the header
  size_t size;  // the stored length L that the header announces

  size_t end() const { return at + size; }
};

// Step one: reads the header of the part at `offset` of the `size` bytes at
// `data`. Returns nothing, and changes nothing, when they do not hold the
// whole part.
// Otherwise converts the three codes into `record`'s type, format and
// compression (a part record, or anything else with those three fields),
// each as soon as its own code has converted, and refuses a payload stored
// as is that is longer than `max_payload` ("vexal payload too long") before
// anything is copied. Always inlined: a message view's whole parse is two of
// these, and a call for each costs as much again.
template <typename Record>
[[gnu::always_inline]] inline std::optional<stored_bytes> read_part_header(
    Record& record, const uint8_t* data, size_t size, size_t offset,
    size_t max_payload) {
  using header = vexal_part_ctx::impl::header;
  // Too few bytes for a header (also an offset at or past the end).
  if (offset > size || size - offset < header::wire_size) return std::nullopt;
  const uint8_t* wire = data + offset;
  const size_t pos = offset + header::wire_size;
  const size_t stored_size = header::stored_length(wire);
  // The stored bytes are not all there yet.
  if (size - pos < stored_size) return std::nullopt;

  // Each field is replaced as soon as its own code has converted.
  record.type = type_of(header::type_at(wire));
  record.format = format_of(header::format_at(wire));
  record.compression = compression_of(header::compression_at(wire));
  // A payload stored as is: its length is known before anything is copied.
  if (record.compression == vexal_part_payload::compression::none &&
      stored_size > max_payload) {
    throw_payload_too_long();
  }
  return stored_bytes{pos, stored_size};
}

// Step two: replaces `record`'s payload with the stored bytes (`stored` of
// `data`, as step one found them), inflated when
// `record`'s compression is not `none` (up to `max_payload` bytes). Copying
// allocates nothing when the payload's buffer already holds `stored.size`
// bytes. After a codec failure the payload holds the stored bytes.
void take_payload(vexal_part_ctx::impl& record, const uint8_t* data,
                  stored_bytes stored, size_t max_payload);

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_PART_PARSE_HPP
