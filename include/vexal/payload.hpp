// SPDX-License-Identifier: MIT
// The public vocabulary of a part: its type, and its payload's format and
// compression, plus the adapters between payload objects and payload bytes.
//
// All three enumerations are held as 32-bit integers. Parts store any value
// they are given; a value outside its enumeration is refused only when a part
// is composed ("Unknown vexal type", "Unknown vexal format", "Unknown vexal
// compression").
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_PAYLOAD_HPP
#define VEXAL_PAYLOAD_HPP

#include <cstdint>
#include <type_traits>
#include <vector>

#include "vexal/export.hpp"

namespace kelvo {

/// Type of a part. A message carries its first part with type 1 and its
/// second with type 0; the library gives the values no other meaning.
enum class VEXAL_EXPORT vexal_part_type : int32_t {
  second = 0,  ///< The second part of a message; the default.
  first = 1,   ///< The first part of a message.
};

/// The payload vocabulary of a part and the payload adapters.
namespace vexal_part_payload {

/// Format of a payload. The library stores, compares and transmits it but
/// never interprets it.
enum class format : int32_t {
  bytes = 0,          ///< Plain bytes; the format of a byte-vector payload.
  application_1 = 1,  ///< A format whose meaning the application defines.
  application_2 = 2,  ///< A second application-defined format.
};

/// How a payload is stored on the wire. The wire records only whether a
/// payload is zlib-compressed, so any zlib value parses back as
/// `zlib_default`.
enum class compression : int32_t {
  none = 0,                   ///< Stored unchanged.
  zlib_default = 1,           ///< zlib at its default level (-1).
  zlib_best_speed = 2,        ///< zlib level 1.
  zlib_best_compression = 3,  ///< zlib level 9.
  zlib_level_1 = 4,           ///< zlib level 1.
  zlib_level_2 = 5,           ///< zlib level 2.
  zlib_level_3 = 6,           ///< zlib level 3.
  zlib_level_4 = 7,           ///< zlib level 4.
  zlib_level_5 = 8,           ///< zlib level 5.
  zlib_level_6 = 9,           ///< zlib level 6.
  zlib_level_7 = 10,          ///< zlib level 7.
  zlib_level_8 = 11,          ///< zlib level 8.
  zlib_level_9 = 12,          ///< zlib level 9.
};

// The adapters exist for the byte vector only. For any other T the primary
// templates below are instantiated, and their static_assert (false for every
// T, but only once T is known) stops the build at the call.

/// Converts a payload object to the bytes a part carries. Defined for
/// `std::vector<uint8_t>` only: returns a separate copy of the argument. Any
/// other T fails to compile.
template <typename T>
std::vector<uint8_t> to_bytes(const T& /*payload*/) {
  static_assert(!std::is_same_v<T, T>,
                "to_bytes is defined for std::vector<uint8_t> only");
  return {};
}

/// Converts payload bytes to a payload object. Defined for
/// `std::vector<uint8_t>` only: returns a separate copy of the argument. Any
/// other T fails to compile.
template <typename T>
T from_bytes(const std::vector<uint8_t>& /*bytes*/) {
  static_assert(!std::is_same_v<T, T>,
                "from_bytes is defined for std::vector<uint8_t> only");
  return {};
}

/// Names the payload format that belongs to payload type T. Defined for
/// `std::vector<uint8_t>` only: `format::bytes`. Any other T fails to
/// compile.
template <typename T>
format get_format() {
  static_assert(!std::is_same_v<T, T>,
                "get_format is defined for std::vector<uint8_t> only");
  return {};
}

/// The byte vector's own bytes: a separate copy of `payload`. Fails only
/// with std::bad_alloc; `payload` is never changed.
template <>
VEXAL_EXPORT std::vector<uint8_t> to_bytes<std::vector<uint8_t>>(
    const std::vector<uint8_t>& payload);
/// A byte-vector payload: a separate copy of `bytes`. Fails only with
/// std::bad_alloc; `bytes` is never changed.
template <>
VEXAL_EXPORT std::vector<uint8_t> from_bytes<std::vector<uint8_t>>(
    const std::vector<uint8_t>& bytes);
/// A byte-vector payload has `format::bytes`. Never fails.
template <>
VEXAL_EXPORT format get_format<std::vector<uint8_t>>();

}  // namespace vexal_part_payload
}  // namespace kelvo

#endif  // VEXAL_PAYLOAD_HPP
