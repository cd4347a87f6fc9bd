// SPDX-License-Identifier: MIT
// The part record's conversions between the public part vocabulary and the
// header's wire codes: the inline tables of codes.hpp under their public
// names, each refusing what is outside its table with its fixed message.
#include "part/codes.hpp"

#include "error/failure.hpp"

namespace kelvo {

namespace {

using impl = vexal_part_ctx::impl;
using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;

// `to`, looked up from `from` in its table, or `refusal` thrown.
template <typename To, typename From>
To convert(From from, vexal_errc refusal) {
  To to{};
  if (!detail::look_up(from, to)) detail::throw_failure(refusal);
  return to;
}

}  // namespace

impl::header::type impl::from_type(vexal_part_type type) {
  return convert<header::type>(type, vexal_errc::unknown_type);
}

vexal_part_type impl::to_type(header::type code) {
  return convert<vexal_part_type>(code, vexal_errc::unknown_type_code);
}

impl::header::format impl::from_format(payload_format format) {
  return convert<header::format>(format, vexal_errc::unknown_format);
}

payload_format impl::to_format(header::format code) {
  return convert<payload_format>(code, vexal_errc::unknown_format_code);
}

impl::header::compression impl::from_compression(
    payload_compression compression) {
  return convert<header::compression>(compression,
                                      vexal_errc::unknown_compression);
}

payload_compression impl::to_compression(header::compression code) {
  return convert<payload_compression>(code,
                                      vexal_errc::unknown_compression_code);
}

int32_t impl::to_zlib_compression_level(payload_compression compression) {
  int32_t level = 0;
  if (!detail::zlib_level(compression, level)) {
    detail::throw_failure(vexal_errc::unknown_compression);
  }
  return level;
}

}  // namespace kelvo
