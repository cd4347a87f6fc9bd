// SPDX-License-Identifier: MIT
// The few facts about the wire form that the tool reads for itself.
//
// A part is an 8-byte header (type, format, compression and a reserved byte,
// one byte each, then the stored length L as an unsigned 32-bit big-endian
// number) followed by the L stored bytes; a message is two parts back to back.
// The tool reads only the stored lengths, to cut a stream into messages and to
// report how many bytes each part takes; everything else is the library's.
#ifndef VEXAL_TOOLS_WIRE_HPP
#define VEXAL_TOOLS_WIRE_HPP

#include <cstddef>
#include <cstdint>

namespace kelvo::tool {

constexpr size_t part_header_size = 1 + 1 + 1 + 1 + 4;
constexpr size_t stored_length_at = 1 + 1 + 1 + 1;
static_assert(part_header_size == 8);

/// The stored length L of the part whose header starts at `header`.
inline uint64_t stored_length(const uint8_t* header) {
  const uint8_t* p = header + stored_length_at;
  return (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) |
         (uint64_t{p[2]} << 8) | uint64_t{p[3]};
}

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_WIRE_HPP
