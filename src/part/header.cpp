// SPDX-License-Identifier: MIT
// The part header: five fixed-width fields written and read in wire order.
#include "part/impl.hpp"

#include <array>
#include <cstring>

#include "serialization/element.hpp"

namespace kelvo {

using header = vexal_part_ctx::impl::header;

header::header(type raw_type, format raw_format, compression raw_compression,
               unsigned int payload_size)
    : raw_type(raw_type),
      raw_format(raw_format),
      raw_compression(raw_compression),
      payload_size(payload_size),
      reserved(0) {}

header::~header() = default;

size_t header::size() const { return wire_size; }

// Memory order of the fields differs from wire order: `reserved` comes before
// the length on the wire. The header is laid out in wire order first and
// appended in one piece, so `out` grows once rather than once per field.
void header::compose_impl(std::vector<uint8_t>& out) const {
  std::array<uint8_t, wire_size> image;
  image[vexal_part_type_offset] = static_cast<uint8_t>(raw_type);
  image[vexal_part_format_offset] = static_cast<uint8_t>(raw_format);
  image[vexal_part_compression_offset] = static_cast<uint8_t>(raw_compression);
  image[vexal_part_reserved_offset] = reserved;
  std::memcpy(&image[vexal_part_length_offset], &payload_size,
              sizeof payload_size);
  detail::pack(out, image);
}

// With all eight bytes present no read can fail, and one bounds test covers
// them all. With fewer, the fields are read one by one, so that the first
// read past the end throws its own message after the fields before it have
// been replaced.
size_t header::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  if (offset <= data.size() && data.size() - offset >= wire_size) {
    const uint8_t* wire = data.data() + offset;
    raw_type = type_at(wire);
    raw_format = format_at(wire);
    raw_compression = compression_at(wire);
    reserved = wire[vexal_part_reserved_offset];
    std::memcpy(&payload_size, wire + length_at, sizeof payload_size);
    return offset + wire_size;
  }
  size_t pos = detail::unpack(data, offset, raw_type);
  pos = detail::unpack(data, pos, raw_format);
  pos = detail::unpack(data, pos, raw_compression);
  pos = detail::unpack(data, pos, reserved);
  return detail::unpack(data, pos, payload_size);
}

}  // namespace kelvo
