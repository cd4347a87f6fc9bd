// SPDX-License-Identifier: MIT
// One part's wire image: the header's codes and big-endian length, then the
// stored bytes.
#include "part/part_compose.hpp"

#include "part/codes.hpp"
#include "part/zlib_codec.hpp"
#include "serialization/byte_order.hpp"
#include "serialization/reserve.hpp"

namespace kelvo::detail {

bool encode_part_header(const part_fields& fields, size_t stored_size,
                        uint8_t* wire, failure& f) noexcept {
  part_header::type type_code{};
  part_header::format format_code{};
  part_header::compression compression_code{};
  if (!look_up(fields.compression, compression_code)) {
    f = fail(vexal_errc::unknown_compression);
  } else if (stored_size > vexal_max_stored_size) {
    f = fail(vexal_errc::parts_payload_too_long);
  } else if (!look_up(fields.type, type_code)) {
    f = fail(vexal_errc::unknown_type);
  } else if (!look_up(fields.format, format_code)) {
    f = fail(vexal_errc::unknown_format);
  } else {
    wire[vexal_part_type_offset] = static_cast<uint8_t>(type_code);
    wire[vexal_part_format_offset] = static_cast<uint8_t>(format_code);
    wire[vexal_part_compression_offset] =
        static_cast<uint8_t>(compression_code);
    wire[vexal_part_reserved_offset] = 0;
    encode_be32(wire + vexal_part_length_offset,
                static_cast<uint32_t>(stored_size));
    return true;
  }
  return false;
}

bool compose_part(const part_fields& fields, const uint8_t* payload,
                  size_t size, std::vector<uint8_t>& out, failure& f) {
  // A payload stored as is needs no copy of its own: it is appended straight
  // from where it lies.
  std::vector<uint8_t> compressed;
  if (fields.compression != vexal_part_payload::compression::none) {
    int32_t level = 0;
    if (!zlib_level(fields.compression, level)) {
      f = fail(vexal_errc::unknown_compression);
      return false;
    }
    f = zlib_deflate(payload, size, level, compressed);
    if (f) return false;
    payload = compressed.data();
    size = compressed.size();
  }
  uint8_t wire[vexal_part_header_size];
  if (!encode_part_header(fields, size, wire, f)) return false;

  reserve_for_append(out, vexal_part_header_size + size);
  out.insert(out.end(), wire, wire + vexal_part_header_size);
  out.insert(out.end(), payload, payload + size);
  return true;
}

}  // namespace kelvo::detail
