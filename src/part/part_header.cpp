// SPDX-License-Identifier: MIT
// A part header decoded by the parse's own step (part/part_parse.hpp), so
// that it says exactly what a parse would.
#include "vexal/part_header.hpp"

#include "part/part_parse.hpp"

namespace kelvo {

vexal_header_fields decode_part_header(const uint8_t* header) noexcept {
  using wire_header = vexal_part_ctx::impl::header;
  vexal_header_fields fields{};
  fields.type_code = header[vexal_part_type_offset];
  fields.format_code = header[vexal_part_format_offset];
  fields.compression_code = header[vexal_part_compression_offset];
  fields.reserved = header[vexal_part_reserved_offset];
  fields.stored_size = wire_header::stored_length(header);
  // The parse's step converts each code as soon as the one before it has
  // converted, so a refused code leaves its field, and those after it, at
  // their defaults.
  detail::part_fields decoded{vexal_part_type::second,
                              vexal_part_payload::format::bytes,
                              vexal_part_payload::compression::none};
  detail::failure f;
  if (!detail::read_codes(decoded, header, 0, f)) {
    fields.error = make_error_code(f.code);
  }
  fields.type = decoded.type;
  fields.format = decoded.format;
  fields.compression = decoded.compression;
  return fields;
}

}  // namespace kelvo
