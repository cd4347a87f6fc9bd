// SPDX-License-Identifier: MIT
// Message framing from the two part headers; see message_frame.hpp.
#include "reader/message_frame.hpp"

#include "part/impl.hpp"
#include "part/limit_errors.hpp"

namespace kelvo::detail {

namespace {

using header = vexal_part_ctx::impl::header;

}  // namespace

message_frame measure_message(const uint8_t* at, size_t available) {
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

// With one header, `size` is 16 + L1, the least the message can be.
void check_message_size(const message_frame& frame, size_t max_message_size) {
  if (frame.headers > 0 && frame.size > max_message_size) {
    throw_message_too_long();
  }
}

}  // namespace kelvo::detail
