// SPDX-License-Identifier: MIT
// The tables between the public part vocabulary and the header's wire codes,
// inline so that composing and parsing a part look their codes up without a
// call. Each lookup (`look_up(from, to)`) answers false for a value or code
// outside its table and throws nothing; the part record's static conversions
// (codes.cpp) turn that into their fixed messages.
//
// Values come from callers ("Unknown vexal type"), codes from the wire
// ("Unknown vexal type (raw)"). Nothing is clamped or defaulted.
#ifndef VEXAL_SRC_PART_CODES_HPP
#define VEXAL_SRC_PART_CODES_HPP

#include <cstdint>

#include "part/impl.hpp"
#include "vexal/detail/whole_message.hpp"

namespace kelvo::detail {

using part_header = vexal_part_ctx::impl::header;

constexpr bool is_known(vexal_part_type type) {
  return type == vexal_part_type::second || type == vexal_part_type::first;
}

constexpr bool is_known(vexal_part_payload::format format) {
  const auto value = static_cast<int32_t>(format);
  return value >= static_cast<int32_t>(vexal_part_payload::format::bytes) &&
         value <=
             static_cast<int32_t>(vexal_part_payload::format::application_2);
}

// Compression values are signed: a negative value is invalid, not a large one.
constexpr bool is_known(vexal_part_payload::compression compression) {
  using payload_compression = vexal_part_payload::compression;
  const auto value = static_cast<int32_t>(compression);
  return value >= static_cast<int32_t>(payload_compression::none) &&
         value <= static_cast<int32_t>(payload_compression::zlib_level_9);
}

inline bool look_up(vexal_part_type type, part_header::type& code) noexcept {
  switch (type) {
    case vexal_part_type::second: code = part_header::type::second; return true;
    case vexal_part_type::first: code = part_header::type::first; return true;
  }
  return false;
}

// The header's codes are the ones that the public headers' inline parse
// knows them by.
static_assert(static_cast<uint8_t>(part_header::type::first) ==
                  wire_codes::first_type &&
              static_cast<uint8_t>(part_header::type::second) ==
                  wire_codes::second_type);
static_assert(static_cast<uint8_t>(part_header::format::application_2) ==
                  wire_codes::least_format &&
              static_cast<uint8_t>(part_header::format::bytes) ==
                  wire_codes::most_format);
static_assert(static_cast<uint8_t>(part_header::compression::stored) ==
                  wire_codes::stored &&
              static_cast<uint8_t>(part_header::compression::zlib) ==
                  wire_codes::zlib);

// The wire-to-value lookups are range tests and `wire_codes`' arithmetic on
// the codes' values, which compilers make without branches: a parse
// converts six codes for every message. Like the others, they leave their
// output alone for a code outside the table.
inline bool look_up(part_header::type code, vexal_part_type& type) noexcept {
  const auto value = static_cast<uint8_t>(code);
  const bool known = static_cast<uint8_t>(value - 1) < 2;
  if (known) type = wire_codes::type_of(value);
  return known;
}

inline bool look_up(vexal_part_payload::format format,
                    part_header::format& code) noexcept {
  using payload_format = vexal_part_payload::format;
  switch (format) {
    case payload_format::bytes: code = part_header::format::bytes; return true;
    case payload_format::application_1:
      code = part_header::format::application_1;
      return true;
    case payload_format::application_2:
      code = part_header::format::application_2;
      return true;
  }
  return false;
}

inline bool look_up(part_header::format code,
                    vexal_part_payload::format& format) noexcept {
  // Codes 3, 2 and 1 stand for formats 0, 1 and 2.
  static_assert(wire_codes::format_of(wire_codes::most_format) ==
                    vexal_part_payload::format::bytes &&
                wire_codes::format_of(wire_codes::least_format) ==
                    vexal_part_payload::format::application_2);
  const auto value = static_cast<uint8_t>(code);
  const bool known = static_cast<uint8_t>(value - 1) < 3;
  if (known) format = wire_codes::format_of(value);
  return known;
}

// The wire tells only whether a payload is zlib-compressed, not the level.
inline bool look_up(vexal_part_payload::compression compression,
                    part_header::compression& code) noexcept {
  if (!is_known(compression)) return false;
  code = compression == vexal_part_payload::compression::none
             ? part_header::compression::stored
             : part_header::compression::zlib;
  return true;
}

inline bool look_up(part_header::compression code,
                    vexal_part_payload::compression& compression) noexcept {
  const auto value = static_cast<uint8_t>(code);
  const bool known = value < 2;
  if (known) compression = wire_codes::compression_of(value);
  return known;
}

// The zlib level that composing uses for `compression` (0 for `none`).
inline bool zlib_level(vexal_part_payload::compression compression,
                       int32_t& level) noexcept {
  using payload_compression = vexal_part_payload::compression;
  if (!is_known(compression)) return false;
  switch (compression) {
    case payload_compression::none: level = 0; break;
    case payload_compression::zlib_default: level = -1; break;
    case payload_compression::zlib_best_speed: level = 1; break;
    case payload_compression::zlib_best_compression: level = 9; break;
    default:
      // zlib_level_1 .. zlib_level_9 are consecutive values.
      level = static_cast<int32_t>(compression) -
              static_cast<int32_t>(payload_compression::zlib_level_1) + 1;
  }
  return true;
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_CODES_HPP
