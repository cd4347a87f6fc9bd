// SPDX-License-Identifier: MIT
// Learns the header codes by composing one header per value.
#include "header_codes.hpp"

#include <vector>
#include <vexal/vexal.hpp>

namespace kelvo::tool {
namespace {

using vexal_part_payload::compression;
using vexal_part_payload::format;

static_assert(vexal_part_length_size == 4, "header_codes holds four weights");

// The header of a part of `type` with `fmt` and `how`, storing `stored`.
std::vector<uint8_t> header_of(vexal_part_type type, format fmt,
                               compression how, size_t stored = 0) {
  vexal_any_part part;
  part.set_type(type);
  part.set_format(fmt);
  part.set_compression(how);
  std::vector<uint8_t> out;
  part.compose_header(out, stored);
  return out;
}

header_codes learn() {
  header_codes codes{};
  for (int value = 0; value < 2; ++value) {
    codes.type[value] =
        header_of(static_cast<vexal_part_type>(value), format::bytes,
                  compression::none)[vexal_part_type_offset];
    codes.compression[value] = header_of(
        vexal_part_type::second, format::bytes,
        static_cast<compression>(value))[vexal_part_compression_offset];
  }
  for (int value = 0; value < 3; ++value) {
    codes.format[value] =
        header_of(vexal_part_type::second, static_cast<format>(value),
                  compression::none)[vexal_part_format_offset];
  }
  // Each length byte holds its own position (1 to 4) in a length of
  // 0x01020304: position k from the most significant end weighs
  // 256^(4 - k).
  const std::vector<uint8_t> probe = header_of(
      vexal_part_type::second, format::bytes, compression::none, 0x01020304);
  for (size_t byte = 0; byte < vexal_part_length_size; ++byte) {
    const unsigned rank = probe[vexal_part_length_offset + byte];
    codes.length_weight[byte] = uint64_t{1} << (8 * (4 - rank));
  }
  return codes;
}

}  // namespace

const header_codes& header_codes::get() {
  static const header_codes codes = learn();
  return codes;
}

uint64_t header_codes::length(const uint8_t* header) const {
  uint64_t value = 0;
  for (size_t byte = 0; byte < vexal_part_length_size; ++byte) {
    value += header[vexal_part_length_offset + byte] * length_weight[byte];
  }
  return value;
}

}  // namespace kelvo::tool
