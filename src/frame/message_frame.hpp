// SPDX-License-Identifier: MIT
// How much of a message lies in a run of bytes, read from its two part
// headers alone: a message is the first header (8 bytes), L1 stored bytes,
// the second header (8 bytes) and L2 stored bytes, so its end is known only
// once both headers are in. The header layout itself is the part header's
// (part/impl.hpp); nothing here restates it.
//
// `check_message` is the one order in which the parses within limits (the
// bounded `vexal::parse`, `vexal_view::parse` and the stream reader) refuse
// a message: header by header, as soon as the bytes present decide it.
#ifndef VEXAL_SRC_FRAME_MESSAGE_FRAME_HPP
#define VEXAL_SRC_FRAME_MESSAGE_FRAME_HPP

#include <cstddef>
#include <cstdint>

#include "error/failure.hpp"
#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/part_parse.hpp"
#include "vexal/detail/whole_message.hpp"
#include "vexal/limits.hpp"

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
  // Where the second header starts.
  uint64_t second_at() const {
    return vexal_part_header_size + uint64_t{first_stored};
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
  frame.size = frame.second_at() + header::wire_size;
  if (available < frame.size) return frame;
  frame.headers = 2;
  frame.second_stored = header::stored_length(at + frame.second_at());
  frame.size += frame.second_stored;
  return frame;
}

// A message whose present headers have passed `check_message`.
struct checked_message {
  message_frame frame;
  part_fields parts[2];  // what each present header's codes stand for
};

// Checks one whole header at `wire`, `at` in the input, whose announced
// message is `message_size` bytes so far: that size against the limit,
// then the codes, then a payload stored as is against its bound.
[[gnu::always_inline]] inline bool check_header(
    const uint8_t* wire, uint64_t at, uint64_t message_size,
    const vexal_limits& limits, part_fields& fields, failure& f) {
  const uint64_t length_at = at + vexal_part_length_offset;
  if (message_size > limits.max_message_size) {
    refuse(f, vexal_errc::message_too_long, length_at);
    return false;
  }
  if (!read_codes(fields, wire, at, f)) return false;
  if (fields.compression == vexal_part_payload::compression::none &&
      vexal_part_ctx::impl::header::stored_length(wire) >
          limits.max_payload_size) {
    refuse(f, vexal_errc::payload_too_long, length_at);
    return false;
  }
  return true;
}

// Frames the message among the `available` bytes at `data` (at offset `at`
// of the caller's input) and checks each header present, the first before
// the second. A refusal is set in `f` with the offset of the field at fault;
// otherwise the message is whole when `frame.whole(available)`, and more
// bytes may still refuse it when it is not.
[[gnu::always_inline]] inline checked_message check_message(
    const uint8_t* data, size_t available, uint64_t at,
    const vexal_limits& limits, failure& f) {
  checked_message checked{measure_message(data, available), {}};
  const message_frame& frame = checked.frame;
  if (frame.headers == 0) return checked;
  const uint64_t least_size = frame.second_at() + vexal_part_header_size;
  if (!check_header(data, at, least_size, limits, checked.parts[0], f) ||
      frame.headers == 1) {
    return checked;
  }
  check_header(data + frame.second_at(), at + frame.second_at(), frame.size,
               limits, checked.parts[1], f);
  return checked;
}

// The type, format and compression of the header at `wire`, whose codes
// are known to be in their tables.
[[gnu::always_inline]] inline void read_known_codes(
    const uint8_t* wire, part_fields& fields) noexcept {
  fields.type = wire_codes::type_of(wire[vexal_part_type_offset]);
  fields.format = wire_codes::format_of(wire[vexal_part_format_offset]);
  fields.compression =
      wire_codes::compression_of(wire[vexal_part_compression_offset]);
}

// The success path of `check_message`, with nothing to report: true, with
// `checked` filled as `check_message` fills it, only when the `available`
// bytes at `data` hold the whole message and every check that
// `check_message` makes passes (vexal/detail/whole_message.hpp). Anything
// else, short input or a refusal, answers false and is left to
// `check_message`, which finds which it is and where.
[[gnu::always_inline]] inline bool accept_whole_message(
    const uint8_t* data, size_t available, const vexal_limits& limits,
    checked_message& checked) noexcept {
  whole_message whole;
  if (!accept_whole_message(data, available, limits, whole)) return false;
  checked.frame =
      message_frame{2, whole.size, whole.first_stored, whole.second_stored};
  read_known_codes(data, checked.parts[0]);
  read_known_codes(data + whole.second_at(), checked.parts[1]);
  return true;
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_FRAME_MESSAGE_FRAME_HPP
