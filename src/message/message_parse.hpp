// SPDX-License-Identifier: MIT
// The parse of a message's two parts, shared by the unlimited parse, the
// parse within limits and the stream reader.
#ifndef VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP
#define VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP

#include <cstddef>
#include <cstdint>

#include "error/failure.hpp"
#include "frame/message_frame.hpp"
#include "part/impl.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.hpp"

namespace kelvo::detail {

// Reads the message at `offset` of the `size` bytes at `data` into the records
// of its type-1 part (`first`) and its type-0 part (`second`), each payload
// inflated up to `max_payload` bytes, and returns the offset just past the
// second part. Returns `offset` when the bytes do not hold both parts; the
// records are then unchanged but for the second part's type, which is set as
// after any completed part parse. The first part is taken over only once the
// second has been read, and taking it over cannot fail, so a refusal (set in
// `f`, and `offset` returned) leaves `first` unchanged and `second` as its
// own parse leaves it. Every part comes out with the type of its place.
// Throws std::bad_alloc only.
size_t parse_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                   const uint8_t* data, size_t size, size_t offset,
                   size_t max_payload, failure& f);

// The parts of the message at `offset` of `data`, whose headers `checked`
// has read and found valid and whose bytes are all there, taken into
// `first` and `second` as `parse_parts` takes them: the first part's
// payload before the second's, and the first part taken over only once the
// second has been read. The headers are not read again. Throws
// std::bad_alloc only.
size_t take_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                  const uint8_t* data, size_t offset,
                  const checked_message& checked, size_t max_payload,
                  failure& f);

// The parse within `limits`: the headers are checked first, one after the
// other, as the bytes present allow (frame/message_frame.hpp), and nothing
// is read until they all pass and the whole message is there; then the
// payloads are taken as `parse_parts` takes them, from the codes and
// lengths that the checks read, without reading the headers again. Throws
// std::bad_alloc only.
size_t parse_within(vexal& message, const uint8_t* data, size_t size,
                    size_t offset, const vexal_limits& limits, failure& f);

// The records behind a message's parts, for the library's own parses.
struct message_core {
  static vexal_part_ctx::impl& first(vexal& message) {
    return *message.first_.impl_;
  }
  static vexal_part_ctx::impl& second(vexal& message) {
    return *message.second_.impl_;
  }
};

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP
