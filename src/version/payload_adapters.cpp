// SPDX-License-Identifier: MIT
// Payload adapters for the one payload type the library defines them for,
// the byte vector itself: each result is a separate copy.
#include "vexal/payload.hpp"

namespace kelvo::vexal_part_payload {

using bytes = std::vector<uint8_t>;

template <>
bytes to_bytes<bytes>(const bytes& payload) {
  return payload;
}

template <>
bytes from_bytes<bytes>(const bytes& bytes) {
  return bytes;
}

template <>
format get_format<bytes>() {
  return format::bytes;
}

}  // namespace kelvo::vexal_part_payload
