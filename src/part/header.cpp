// SPDX-License-Identifier: MIT
// The part header: five fixed-width fields written and read in wire order.
#include "part/impl.hpp"
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
// the length on the wire.
void header::compose_impl(std::vector<uint8_t>& out) const {
  detail::pack(out, raw_type);
  detail::pack(out, raw_format);
  detail::pack(out, raw_compression);
  detail::pack(out, reserved);
  detail::pack(out, payload_size);
}

size_t header::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  size_t pos = detail::unpack(data, offset, raw_type);
  pos = detail::unpack(data, pos, raw_format);
  pos = detail::unpack(data, pos, raw_compression);
  pos = detail::unpack(data, pos, reserved);
  return detail::unpack(data, pos, payload_size);
}

}  // namespace kelvo
