// SPDX-License-Identifier: MIT
// The part record's conversions between the public part vocabulary and the
// header's wire codes: the inline tables of codes.hpp under their public
// names, and the one place that throws their messages.
#include "part/codes.hpp"

#include <stdexcept>

namespace kelvo {

namespace detail {

void throw_unknown(const char* message) { throw std::runtime_error(message); }

}  // namespace detail

namespace {

using impl = vexal_part_ctx::impl;
using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;

}  // namespace

impl::header::type impl::from_type(vexal_part_type type) {
  return detail::type_code(type);
}

vexal_part_type impl::to_type(header::type code) {
  return detail::type_of(code);
}

impl::header::format impl::from_format(payload_format format) {
  return detail::format_code(format);
}

payload_format impl::to_format(header::format code) {
  return detail::format_of(code);
}

impl::header::compression impl::from_compression(
    payload_compression compression) {
  return detail::compression_code(compression);
}

payload_compression impl::to_compression(header::compression code) {
  return detail::compression_of(code);
}

int32_t impl::to_zlib_compression_level(payload_compression compression) {
  if (!detail::is_known(compression)) {
    detail::throw_unknown("Unknown vexal compression");
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
