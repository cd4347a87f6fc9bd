// SPDX-License-Identifier: MIT
// A message parse reads the first part's header into fields of its own and
// takes the part over only once the second part has been read as well, so
// the message takes over both parts or neither.
#include "message/message_parse.hpp"

#include <vector>

#include "frame/message_frame.hpp"
#include "part/part_parse.hpp"

namespace kelvo::detail {

size_t take_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                  const uint8_t* data, size_t offset,
                  const checked_message& checked, size_t max_payload,
                  failure& f) {
  using payload_compression = vexal_part_payload::compression;
  const message_frame& frame = checked.frame;
  const part_fields& read = checked.parts[0];
  const stored_bytes first_stored{offset + vexal_part_header_size,
                                  frame.first_stored};
  const stored_bytes second_stored{
      offset + static_cast<size_t>(frame.second_at()) + vexal_part_header_size,
      frame.second_stored};
  const bool in_place = read.compression == payload_compression::none &&
                        first.payload.capacity() >= first_stored.size;
  std::vector<uint8_t> payload;
  if (!in_place && !take_payload(read.compression, payload, data, first_stored,
                                 max_payload, f)) {
    return offset;
  }
  // The second part's fields as its own parse sets them before its payload.
  second.type = checked.parts[1].type;
  second.format = checked.parts[1].format;
  second.compression = checked.parts[1].compression;
  if (!take_payload(second.compression, second.payload, data, second_stored,
                    max_payload, f)) {
    return offset;
  }
  second.type = vexal_part_type::second;

  first.type = vexal_part_type::first;
  first.format = read.format;
  first.compression = read.compression;
  if (in_place) {
    take_payload(read.compression, first.payload, data, first_stored,
                 max_payload, f);
  } else {
    first.payload.swap(payload);
  }
  return second_stored.end();
}

size_t parse_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                   const uint8_t* data, size_t size, size_t offset,
                   size_t max_payload, failure& f) {
  using payload_compression = vexal_part_payload::compression;
  // A whole message with valid headers, the common case, is taken as the
  // parse within limits takes it: in the same order, from one reading of
  // its headers.
  checked_message checked;
  if (offset < size &&
      accept_whole_message(data + offset, size - offset,
                           vexal_limits::unlimited(), checked)) {
    return take_parts(first, second, data, offset, checked, max_payload, f);
  }
  // Anything else part by part: the first part's header is read into fields
  // of its own, on the stack.
  part_fields read{};
  const auto stored = read_part_header(read, data, size, offset, f);
  if (!stored) return offset;
  // A payload stored as is is copied straight into the first part once the
  // second part has been read, when the first part's buffer holds it: the
  // copy then allocates nothing and cannot fail. Any other payload is taken
  // now into a buffer of its own (and inflated there), so that every failure
  // of the first part comes before the second part is looked at.
  const bool in_place = read.compression == payload_compression::none &&
                        first.payload.capacity() >= stored->size;
  std::vector<uint8_t> payload;
  if (!in_place &&
      !take_payload(read.compression, payload, data, *stored, max_payload, f)) {
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
    take_payload(read.compression, first.payload, data, *stored, max_payload,
                 f);
  } else {
    first.payload.swap(payload);
  }
  return end;
}

size_t parse_within(vexal& message, const uint8_t* data, size_t size,
                    size_t offset, const vexal_limits& limits, failure& f) {
  if (offset >= size) return offset;
  checked_message checked;
  if (!accept_whole_message(data + offset, size - offset, limits, checked)) {
    checked = check_message(data + offset, size - offset, offset, limits, f);
    if (f || !checked.frame.whole(size - offset)) return offset;
  }
  return take_parts(message_core::first(message), message_core::second(message),
                    data, offset, checked, limits.max_payload_size, f);
}

}  // namespace kelvo::detail
