// SPDX-License-Identifier: MIT
// The tables between the public part vocabulary and the header's wire codes,
// inline so that composing and parsing a part look their codes up without a
// call. Each conversion throws its fixed message for a value or code outside
// its table; the part record's static conversions (codes.cpp) are these
// functions under their public names. `is_known` asks the same question of a
// public value without throwing.
//
// Values without "(raw)" in their message come from callers, codes with it
// come from the wire. Nothing is clamped or defaulted.
#ifndef VEXAL_SRC_PART_CODES_HPP
#define VEXAL_SRC_PART_CODES_HPP

#include <cstdint>

#include "part/impl.hpp"

namespace kelvo::detail {

using part_header = vexal_part_ctx::impl::header;

// Throws std::runtime_error(message); kept out of line, off the fast paths.
[[noreturn]] void throw_unknown(const char* message);

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

inline part_header::type type_code(vexal_part_type type) {
  switch (type) {
    case vexal_part_type::second: return part_header::type::second;
    case vexal_part_type::first: return part_header::type::first;
  }
  throw_unknown("Unknown vexal type");
}

inline vexal_part_type type_of(part_header::type code) {
  switch (code) {
    case part_header::type::first: return vexal_part_type::first;
    case part_header::type::second: return vexal_part_type::second;
  }
  throw_unknown("Unknown vexal type (raw)");
}

inline part_header::format format_code(vexal_part_payload::format format) {
  using payload_format = vexal_part_payload::format;
  switch (format) {
    case payload_format::bytes: return part_header::format::bytes;
    case payload_format::application_1:
      return part_header::format::application_1;
    case payload_format::application_2:
      return part_header::format::application_2;
  }
  throw_unknown("Unknown vexal format");
}

inline vexal_part_payload::format format_of(part_header::format code) {
  using payload_format = vexal_part_payload::format;
  switch (code) {
    case part_header::format::bytes: return payload_format::bytes;
    case part_header::format::application_1:
      return payload_format::application_1;
    case part_header::format::application_2:
      return payload_format::application_2;
  }
  throw_unknown("Unknown vexal format (raw)");
}

// The wire tells only whether a payload is zlib-compressed, not the level.
inline part_header::compression compression_code(
    vexal_part_payload::compression compression) {
  if (!is_known(compression)) throw_unknown("Unknown vexal compression");
  return compression == vexal_part_payload::compression::none
             ? part_header::compression::stored
             : part_header::compression::zlib;
}

inline vexal_part_payload::compression compression_of(
    part_header::compression code) {
  switch (code) {
    case part_header::compression::stored:
      return vexal_part_payload::compression::none;
    case part_header::compression::zlib:
      return vexal_part_payload::compression::zlib_default;
  }
  throw_unknown("Unknown vexal compression (raw)");
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_CODES_HPP
