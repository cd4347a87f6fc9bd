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

/// The largest stored length that a part header can carry, 2^32 - 1 (its
/// length field has 4 bytes). A part whose stored payload (the zlib stream,
/// when compressed) is longer fails to compose with "vexal parts payload is
/// too long".
inline constexpr size_t vexal_max_stored_size =
    std::numeric_limits<uint32_t>::max();

}  // namespace kelvo

#endif  // VEXAL_CONSTANTS_HPP
