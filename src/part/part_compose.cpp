// SPDX-License-Identifier: MIT
// One part's wire image: the header's codes and big-endian length, then the
// stored bytes.
#include "part/part_compose.hpp"

#include <cstring>

#include "part/codes.hpp"
#include "part/zlib_codec.hpp"
#include "serialization/reserve.hpp"

namespace kelvo::detail {

bool refuse_part_header(const part_fields& fields, size_t stored_size,
                        failure& f) noexcept {
  if (!is_known(fields.compression)) {
    f = fail(vexal_errc::unknown_compression);
  } else if (stored_size > vexal_max_stored_size) {
    f = fail(vexal_errc::parts_payload_too_long);
  } else if (!is_known(fields.type)) {
    f = fail(vexal_errc::unknown_type);
  } else {
    f = fail(vexal_errc::unknown_format);
  }
  return false;
}

bool prepare_part(const part_fields& fields, const uint8_t* payload,
                  size_t size, std::vector<uint8_t>& deflated, part_wire& wire,
                  failure& f) {
  if (fields.compression != vexal_part_payload::compression::none) {
    int32_t level = 0;
    if (!zlib_level(fields.compression, level)) {
      f = fail(vexal_errc::unknown_compression);
      return false;
    }
    f = zlib_deflate(payload, size, level, deflated);
    if (f) return false;
    payload = deflated.data();
    size = deflated.size();
  }
  return prepare_stored_part(fields, payload, size, wire, f);
}

bool compose_part(const part_fields& fields, const uint8_t* payload,
                  size_t size, std::vector<uint8_t>& out, failure& f) {
  std::vector<uint8_t> deflated;
  part_wire wire;
  if (!prepare_part(fields, payload, size, deflated, wire, f)) return false;
  reserve_for_append(out, vexal_part_header_size + wire.stored_size);
  out.insert(out.end(), wire.header, wire.header + vexal_part_header_size);
  out.insert(out.end(), wire.stored, wire.stored + wire.stored_size);
  return true;
}

bool encode_raw_headers(const part_fields& first, size_t first_size,
                        const part_fields& second, size_t second_size,
                        uint8_t* headers, failure& f) noexcept {
  uint8_t wire[2 * vexal_part_header_size] = {};
  const part_fields* parts[] = {&first, &second};
  const size_t sizes[] = {first_size, second_size};
  for (int i = 0; i < 2; ++i) {
    // A compressed part's stored bytes are its zlib stream, which only
    // composing makes.
    if (parts[i]->compression != vexal_part_payload::compression::none &&
        is_known(parts[i]->compression)) {
      f = fail(vexal_errc::compressed_part);
      return false;
    }
    if (!encode_part_header(*parts[i], sizes[i],
                            wire + i * vexal_part_header_size, f)) {
      return false;
    }
  }
  std::memcpy(headers, wire, sizeof wire);
  return true;
}

}  // namespace kelvo::detail
