// SPDX-License-Identifier: MIT
// Reading a part header for what it says, without parsing the part: for
// tools that show bytes nobody vouches for field by field, and for
// bindings that frame a stream themselves. The wire layout is in
// vexal/constants.hpp.
#ifndef VEXAL_PART_HEADER_HPP
#define VEXAL_PART_HEADER_HPP

#include <cstdint>
#include <system_error>

#include "vexal/constants.hpp"
#include "vexal/error.hpp"
#include "vexal/export.hpp"
#include "vexal/payload.hpp"

namespace kelvo {

/// The fields of one part header, as they stand and as a parse reads them.
struct vexal_header_fields {
  /// The type code as it stands on the wire (1 or 2 when valid).
  uint8_t type_code;
  /// The format code as it stands on the wire (1 to 3 when valid).
  uint8_t format_code;
  /// The compression code as it stands on the wire (0 or 1 when valid).
  uint8_t compression_code;
  /// The reserved byte, which a parse does not look at.
  uint8_t reserved;
  /// The stored length L: the bytes of the part after its header.
  uint32_t stored_size;
  /// The part type that `type_code` stands for; `second` when it is refused.
  vexal_part_type type;
  /// The format that `format_code` stands for; `bytes` when it is refused.
  vexal_part_payload::format format;
  /// `none` or `zlib_default`, as `compression_code` says; `none` when it is
  /// refused.
  vexal_part_payload::compression compression;
  /// How a parse refuses this header: `vexal_errc::unknown_type_code`,
  /// `unknown_format_code` or `unknown_compression_code`, for the first
  /// code outside its table in that order; empty when all three are valid.
  std::error_code error;
};

/// Decodes the `vexal_part_header_size` bytes at `header`.
VEXAL_EXPORT vexal_header_fields
decode_part_header(const uint8_t* header) noexcept;

}  // namespace kelvo

#endif  // VEXAL_PART_HEADER_HPP
