// SPDX-License-Identifier: MIT
// The part record: one part's fields, its wire image, and its equality.
//
// Composing does everything that can fail (compression, the length test, the
// three code conversions) before the first byte is appended, so a failed
// compose leaves `out` as it was. Parsing changes nothing until the whole
// part is known to be present.
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/part_parse.hpp"
#include "part/zlib_codec.hpp"
#include "serialization/byte_order.hpp"
#include "serialization/reserve.hpp"

namespace kelvo {

namespace {

using impl = vexal_part_ctx::impl;
using payload_compression = vexal_part_payload::compression;

}  // namespace

impl::impl(const std::vector<uint8_t>& payload, vexal_part_type type,
           vexal_part_payload::format format, payload_compression compression)
    : type(type), format(format), compression(compression), payload(payload) {}

impl::impl(std::vector<uint8_t>&& payload, vexal_part_type type,
           vexal_part_payload::format format, payload_compression compression)
    : type(type),
      format(format),
      compression(compression),
      payload(std::move(payload)) {}

impl::~impl() = default;

bool impl::is_equal(const impl& other, bool ignore_type) const {
  if (!ignore_type && type != other.type) return false;
  if (format != other.format) return false;
  if (compression != other.compression) return false;
  if (payload.size() != other.payload.size()) return false;
  if (payload.empty()) return true;
  return std::memcmp(payload.data(), other.payload.data(), payload.size()) == 0;
}

void impl::compose_impl(std::vector<uint8_t>& out) const {
  // A stored payload needs no copy of its own: it is appended straight from
  // the record.
  std::vector<uint8_t> compressed;
  const std::vector<uint8_t>* stored = &payload;
  if (compression != payload_compression::none) {
    const int32_t level = to_zlib_compression_level(compression);
    compressed = detail::zlib_transform(payload, true, level);
    stored = &compressed;
  }
  const header head = header_for(stored->size());

  detail::reserve_for_append(out, header::wire_size + stored->size());
  head.compose(out);
  out.insert(out.end(), stored->begin(), stored->end());
}

impl::header impl::header_for(size_t stored_size) const {
  const header::compression compression_code =
      detail::compression_code(compression);
  if (stored_size > vexal_max_stored_size) {
    throw std::runtime_error("vexal parts payload is too long");
  }
  const header::type type_code = detail::type_code(type);
  const header::format format_code = detail::format_code(format);
  header head(type_code, format_code, compression_code, 0);
  head.payload_size = detail::to_big_endian(static_cast<uint32_t>(stored_size));
  return head;
}

size_t impl::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  return parse_bounded(data.data(), data.size(), offset,
                       std::numeric_limits<size_t>::max());
}

size_t impl::parse_bounded(const uint8_t* data, size_t size, size_t offset,
                           size_t max_payload) {
  const auto stored =
      detail::read_part_header(*this, data, size, offset, max_payload);
  if (!stored) return offset;
  detail::take_payload(*this, data, *stored, max_payload);
  return stored->end();
}

namespace detail {

void take_payload(impl& record, const uint8_t* data, stored_bytes stored,
                  size_t max_payload) {
  std::vector<uint8_t>& payload = record.payload;
  payload.clear();
  payload.reserve(stored.size);
  payload.insert(payload.end(), data + stored.at, data + stored.end());
  if (record.compression != payload_compression::none) {
    std::vector<uint8_t> inflated =
        zlib_transform(payload, false, 0, max_payload);
    payload.swap(inflated);
  }
}

}  // namespace detail

}  // namespace kelvo
