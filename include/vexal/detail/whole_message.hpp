// SPDX-License-Identifier: MIT
// Not part of the interface: what inline code in the public headers needs
// to know of the wire, which may change in any release.
//
// `accept_whole_message` is the good path of every parse within limits: a
// whole message whose headers pass every check. It is inline, and shared
// with the library, so that `vexal_view::parse` reads a good message in
// place without a call, as header-only verifiers do. It only accepts:
// short input, a refusal, and anything else it does not take go to the
// library's parse, which checks in full and refuses in the refusal order
// (docs/format.md). A program built against these headers accepts nothing
// more than that parse does.
#ifndef VEXAL_DETAIL_WHOLE_MESSAGE_HPP
#define VEXAL_DETAIL_WHOLE_MESSAGE_HPP

#include <cstddef>
#include <cstdint>

#include "vexal/constants.hpp"
#include "vexal/limits.hpp"
#include "vexal/payload.hpp"

namespace kelvo::detail {

// The codes of a part header's first three bytes. Type 1 (`first`) and
// type 0 (`second`) have codes 1 and 2; formats 0, 1 and 2 have codes 3, 2
// and 1; compression `none` is code 0 and any zlib level code 1.
struct wire_codes {
  static constexpr uint8_t first_type = 1;
  static constexpr uint8_t second_type = 2;
  static constexpr uint8_t least_format = 1;
  static constexpr uint8_t most_format = 3;
  static constexpr uint8_t stored = 0;
  static constexpr uint8_t zlib = 1;

  // True when the type, format and compression codes of the header at
  // `header` are all in their tables.
  static bool known(const uint8_t* header) noexcept {
    const uint8_t type = header[vexal_part_type_offset];
    const uint8_t format = header[vexal_part_format_offset];
    return (type == first_type || type == second_type) &&
           format >= least_format && format <= most_format &&
           header[vexal_part_compression_offset] <= zlib;
  }
  // The value of a type code in its table.
  static constexpr vexal_part_type type_of(uint8_t code) noexcept {
    return code == first_type ? vexal_part_type::first
                              : vexal_part_type::second;
  }
  // The value of a format code in its table.
  static constexpr vexal_part_payload::format format_of(uint8_t code) noexcept {
    return static_cast<vexal_part_payload::format>(most_format - code);
  }
  // The value of a compression code in its table: `none` or `zlib_default`,
  // whose values are the codes.
  static constexpr vexal_part_payload::compression compression_of(
      uint8_t code) noexcept {
    static_assert(
        static_cast<uint8_t>(vexal_part_payload::compression::none) == stored &&
        static_cast<uint8_t>(vexal_part_payload::compression::zlib_default) ==
            zlib);
    return static_cast<vexal_part_payload::compression>(code);
  }
};

// Reads a value stored most significant byte first. Written as byte
// shifts, which compilers make one load and, where needed, a byte swap.
inline uint32_t decode_be32(const uint8_t* src) noexcept {
  return (uint32_t{src[0]} << 24) | (uint32_t{src[1]} << 16) |
         (uint32_t{src[2]} << 8) | uint32_t{src[3]};
}

// The stored length L of the header at `header`.
inline uint32_t stored_length(const uint8_t* header) noexcept {
  return decode_be32(header + vexal_part_length_offset);
}

// Where the parts of a whole message lie, read from its two headers.
struct whole_message {
  uint32_t first_stored;   // L1
  uint32_t second_stored;  // L2
  uint64_t size;           // 16 + L1 + L2

  // Where the second header starts.
  uint64_t second_at() const noexcept {
    return vexal_part_header_size + uint64_t{first_stored};
  }
};

// True, with `whole` set, only when the `available` bytes at `data` hold a
// whole message within `limits` whose codes are all known and whose parts
// stored as is are within the payload's bound; false, with `whole` unset,
// for anything else. Each header is read once, and the sizes are added in
// 64 bits, so no stored length can wrap them.
// Always inlined: the library's parses test this first for every message,
// and a call would cost as much again.
[[gnu::always_inline]] inline bool accept_whole_message(
    const uint8_t* data, size_t available, const vexal_limits& limits,
    whole_message& whole) noexcept {
  constexpr size_t header_size = vexal_part_header_size;
  if (available < 2 * header_size) return false;
  const uint32_t first_stored = stored_length(data);
  const uint64_t second_at = header_size + uint64_t{first_stored};
  if (available - header_size < second_at) return false;
  const uint8_t* second = data + second_at;
  const uint32_t second_stored = stored_length(second);
  const uint64_t size = second_at + header_size + second_stored;
  if (available < size || size > limits.max_message_size) return false;
  const auto stored_within = [&limits](const uint8_t* header, uint32_t stored) {
    return header[vexal_part_compression_offset] != wire_codes::stored ||
           stored <= limits.max_payload_size;
  };
  if (!wire_codes::known(data) || !wire_codes::known(second) ||
      !stored_within(data, first_stored) ||
      !stored_within(second, second_stored)) {
    return false;
  }
  whole = whole_message{first_stored, second_stored, size};
  return true;
}

}  // namespace kelvo::detail

#endif  // VEXAL_DETAIL_WHOLE_MESSAGE_HPP
