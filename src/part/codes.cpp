// SPDX-License-Identifier: MIT
// Conversions between the public part vocabulary and the header's wire codes.
//
// These lookups are the only validation of type, format and compression:
// values without "(raw)" in their message come from callers, values with it
// come from the wire. Nothing is clamped or defaulted.
#include <stdexcept>

#include "part/impl.hpp"

namespace kelvo {

namespace {

using impl = vexal_part_ctx::impl;
using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;

// Compression values are signed: a negative value is invalid, not a large one.
bool is_known(payload_compression compression) {
  const auto value = static_cast<int32_t>(compression);
  return value >= static_cast<int32_t>(payload_compression::none) &&
         value <= static_cast<int32_t>(payload_compression::zlib_level_9);
}

}  // namespace

impl::header::type impl::from_type(vexal_part_type type) {
  switch (type) {
    case vexal_part_type::second: return header::type::second;
    case vexal_part_type::first: return header::type::first;
  }
  throw std::runtime_error("Unknown vexal type");
}

vexal_part_type impl::to_type(header::type code) {
  switch (code) {
    case header::type::first: return vexal_part_type::first;
    case header::type::second: return vexal_part_type::second;
  }
  throw std::runtime_error("Unknown vexal type (raw)");
}

impl::header::format impl::from_format(payload_format format) {
  switch (format) {
    case payload_format::bytes: return header::format::bytes;
    case payload_format::application_1: return header::format::application_1;
    case payload_format::application_2: return header::format::application_2;
  }
  throw std::runtime_error("Unknown vexal format");
}

payload_format impl::to_format(header::format code) {
  switch (code) {
    case header::format::bytes: return payload_format::bytes;
    case header::format::application_1: return payload_format::application_1;
    case header::format::application_2: return payload_format::application_2;
  }
  throw std::runtime_error("Unknown vexal format (raw)");
}

impl::header::compression impl::from_compression(
    payload_compression compression) {
  if (!is_known(compression)) {
    throw std::runtime_error("Unknown vexal compression");
  }
  return compression == payload_compression::none ? header::compression::stored
                                                  : header::compression::zlib;
}

payload_compression impl::to_compression(header::compression code) {
  switch (code) {
    case header::compression::stored: return payload_compression::none;
    case header::compression::zlib: return payload_compression::zlib_default;
  }
  throw std::runtime_error("Unknown vexal compression (raw)");
}

int32_t impl::to_zlib_compression_level(payload_compression compression) {
  if (!is_known(compression)) {
    throw std::runtime_error("Unknown vexal compression");
  }
  switch (compression) {
    case payload_compression::none: return 0;
    case payload_compression::zlib_default: return -1;
    case payload_compression::zlib_best_speed: return 1;
    case payload_compression::zlib_best_compression: return 9;
    default:
      // zlib_level_1 .. zlib_level_9 are consecutive values.
      return static_cast<int32_t>(compression) -
             static_cast<int32_t>(payload_compression::zlib_level_1) + 1;
  }
}

}  // namespace kelvo
