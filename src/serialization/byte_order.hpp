// SPDX-License-Identifier: MIT
// Big-endian encoding of 32-bit integers, independent of the host's order.
//
// Written as byte shifts, which compilers turn into a single load or store
// plus a byte swap where one is needed.
#ifndef VEXAL_SRC_SERIALIZATION_BYTE_ORDER_HPP
#define VEXAL_SRC_SERIALIZATION_BYTE_ORDER_HPP

#include <cstdint>
#include <cstring>

// decode_be32, which the inline parse of the public headers reads lengths
// with.
#include "vexal/detail/whole_message.hpp"

namespace kelvo::detail {

// Stores `value` most significant byte first.
inline void encode_be32(uint8_t* dst, uint32_t value) {
  dst[0] = static_cast<uint8_t>(value >> 24);
  dst[1] = static_cast<uint8_t>(value >> 16);
  dst[2] = static_cast<uint8_t>(value >> 8);
  dst[3] = static_cast<uint8_t>(value);
}

// The integer whose in-memory bytes are the big-endian form of `host`.
inline uint32_t to_big_endian(uint32_t host) {
  uint8_t bytes[4];
  encode_be32(bytes, host);
  uint32_t wire;
  std::memcpy(&wire, bytes, sizeof wire);
  return wire;
}

// The host integer whose big-endian form lies in memory as `wire`.
inline uint32_t from_big_endian(uint32_t wire) {
  uint8_t bytes[4];
  std::memcpy(bytes, &wire, sizeof wire);
  return decode_be32(bytes);
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_SERIALIZATION_BYTE_ORDER_HPP
