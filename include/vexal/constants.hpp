// SPDX-License-Identifier: MIT
// Fixed numbers of libvexal: the sizes that the wire format sets, and the
// version of these headers (VEXAL_VERSION_MAJOR, VEXAL_VERSION_MINOR,
// VEXAL_VERSION_PATCH and VEXAL_VERSION_STRING, from the generated
// vexal/version_config.hpp). vexal/vexal.hpp includes this header.
#ifndef VEXAL_CONSTANTS_HPP
#define VEXAL_CONSTANTS_HPP

#include <cstddef>
#include <cstdint>
#include <limits>

#include "vexal/version_config.hpp"

namespace kelvo {

/// Bytes in the header in front of every stored payload: type, format and
/// compression codes, a reserved byte and the 4-byte stored length. A part
/// takes `vexal_part_header_size` + its stored length on the wire.
inline constexpr size_t vexal_part_header_size = 8;

/// Where each field lies in a part header, counted from its first byte:
/// the type, format and compression codes and a reserved byte, one byte each
/// (`vexal_part_code_size`), then the stored length, `vexal_part_length_size`
/// bytes, big-endian (most significant byte first). The codes are the wire's
/// own numbers, not the enumerations' values; a part header that the library
/// composes (`vexal_part_ctx::compose_header`) shows which code stands for
/// which value.
inline constexpr size_t vexal_part_type_offset = 0;
/// Offset of the format code in a part header.
inline constexpr size_t vexal_part_format_offset = 1;
/// Offset of the compression code in a part header.
inline constexpr size_t vexal_part_compression_offset = 2;
/// Offset of the reserved byte in a part header, 0 in every header that the
/// library composes and not looked at when a part is parsed.
inline constexpr size_t vexal_part_reserved_offset = 3;
/// Offset of the stored length in a part header.
inline constexpr size_t vexal_part_length_offset = 4;
/// Bytes of each code and of the reserved byte in a part header.
inline constexpr size_t vexal_part_code_size = 1;
/// Bytes of the stored length in a part header.
inline constexpr size_t vexal_part_length_size = 4;

static_assert(vexal_part_format_offset ==
                      vexal_part_type_offset + vexal_part_code_size &&
                  vexal_part_compression_offset ==
                      vexal_part_format_offset + vexal_part_code_size &&
                  vexal_part_reserved_offset ==
                      vexal_part_compression_offset + vexal_part_code_size &&
                  vexal_part_length_offset ==
                      vexal_part_reserved_offset + vexal_part_code_size &&
                  vexal_part_length_offset + vexal_part_length_size ==
                      vexal_part_header_size,
              "the header's fields lie back to back and fill it");

/// Bytes of a message's two part headers together: what
/// `vexal::raw_headers` gives, to be sent with the payloads between them.
inline constexpr size_t vexal_raw_headers_size = 2 * vexal_part_header_size;

/// The largest stored length that a part header can carry, 2^32 - 1 (its
/// length field has 4 bytes). A part whose stored payload (the zlib stream,
/// when compressed) is longer fails to compose with "vexal parts payload is
/// too long".
inline constexpr size_t vexal_max_stored_size =
    std::numeric_limits<uint32_t>::max();

}  // namespace kelvo

#endif  // VEXAL_CONSTANTS_HPP
