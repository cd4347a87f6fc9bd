// SPDX-License-Identifier: MIT
// How much of a message lies in a run of bytes, read from its two part
// headers alone: a message is the first header (8 bytes), L1 stored bytes,
// the second header (8 bytes) and L2 stored bytes, so its end is known only
// once both headers are in. The header layout itself is the part header's
// (part/impl.hpp); nothing here restates it.
#ifndef VEXAL_SRC_READER_MESSAGE_FRAME_HPP
#define VEXAL_SRC_READER_MESSAGE_FRAME_HPP

#include <cstddef>
#include <cstdint>

#include "part/impl.hpp"
#include "part/limit_errors.hpp"

namespace kelvo::detail {

struct message_frame {
  // Part headers wholly present: 0, 1 or 2.
  int headers;
  // The bytes that must be present to learn more: the first header (8), up
  // to the end of the second header (16 + L1), then the whole message
  // (16 + L1 + L2). Added in 64 bits, so no stored length can wrap it.
  uint64_t size;
  // The stored lengths read so far; 0 while their header is missing.
  uint32_t first_stored;
  uint32_t second_stored;

  // True when the `available` bytes hold the whole message.
  bool whole(size_t available) const {
    return headers == 2 && available >= size;
  }
  // True when the headers read so far already announce more than
  // `max_message_size` bytes. With one header, `size` is 16 + L1, the least
  // the message can be.
  bool too_long(size_t max_message_size) const {
    return headers > 0 && size > max_message_size;
  }
};

// Reads the headers among the `available` bytes at `at`. Inline: a stream
// reader frames every message before its parse does.
inline message_frame measure_message(const uint8_t* at, size_t available) {
  using header = vexal_part_ctx::impl::header;
  message_frame frame{0, header::wire_size, 0, 0};
  if (available < frame.size) return frame;
  frame.headers = 1;
  frame.first_stored = header::stored_length(at);
  const uint64_t second_at = header::wire_size + uint64_t{frame.first_stored};
  frame.size = second_at + header::wire_size;
  if (available < frame.size) return frame;
  frame.headers = 2;
  frame.second_stored = header::stored_length(at + second_at);
  frame.size += frame.second_stored;
  return frame;
}

// Throws "vexal message too long" when the frame is `too_long`.
inline void check_message_size(const message_frame& frame,
                               size_t max_message_size) {
  if (frame.too_long(max_message_size)) throw_message_too_long();
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_READER_MESSAGE_FRAME_HPP
