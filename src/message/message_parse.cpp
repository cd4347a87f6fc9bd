// SPDX-License-Identifier: MIT
// A message parse reads the first part's header into a temporary record and
// takes the part over only once the second part has been read as well, so
// the message takes over both parts or neither.
#include "message/message_parse.hpp"

#include <vector>

#include "part/part_parse.hpp"
#include "frame/message_frame.hpp"

namespace kelvo::detail {

size_t parse_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                   const uint8_t* data, size_t size, size_t offset,
                   size_t max_payload, failure& f) {
  using impl = vexal_part_ctx::impl;
  using payload_compression = vexal_part_payload::compression;
  // The first part's header is read into a record of its own, on the stack.
  impl read(std::vector<uint8_t>{}, vexal_part_type::first,
            vexal_part_payload::format::bytes, payload_compression::none);
  const auto stored = read_part_header(read, data, size, offset, f);
  if (!stored) return offset;
  // A payload stored as is is copied straight into the first part once the
  // second part has been read, when the first part's buffer holds it: the
  // copy then allocates nothing and cannot fail. Any other payload is taken
  // now into the record on the stack (and inflated there), so that every
  // failure of the first part comes before the second part is looked at.
  const bool in_place = read.compression == payload_compression::none &&
                        first.payload.capacity() >= stored->size;
  if (!in_place && !take_payload(read, data, *stored, max_payload, f)) {
    return offset;
  }

  const size_t end =
      second.parse_part(data, size, stored->end(), max_payload, f);
  if (f) return offset;
  // Each part's type follows from its place, also when nothing was read.
  second.type = vexal_part_type::second;
  if (end == stored->end()) return offset;

  first.type = vexal_part_type::first;
  first.format = read.format;
  first.compression = read.compression;
  if (in_place) {
    take_payload(first, data, *stored, max_payload, f);
  } else {
    first.payload.swap(read.payload);
  }
  return end;
}

size_t parse_within(vexal& message, const uint8_t* data, size_t size,
                    size_t offset, const vexal_limits& limits, failure& f) {
  if (offset >= size) return offset;
  const checked_message checked =
      check_message(data + offset, size - offset, offset, limits, f);
  if (f || !checked.frame.whole(size - offset)) return offset;
  return parse_parts(message_core::first(message),
                     message_core::second(message), data, size, offset,
                     limits.max_payload_size, f);
}

}  // namespace kelvo::detail
