// SPDX-License-Identifier: MIT
// The part record: one part's fields, its wire image, and its equality.
//
// Composing and parsing are the steps of part_compose.hpp and part_parse.hpp
// over the record's own fields; the serializer's hooks throw what they
// refuse. Parsing changes nothing until the whole part is known to be
// present.
#include "part/impl.hpp"

#include <cstring>
#include <limits>
#include <utility>

#include "part/part_compose.hpp"
#include "part/part_parse.hpp"

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

detail::part_fields impl::fields() const noexcept {
  return {type, format, compression};
}

void impl::compose_impl(std::vector<uint8_t>& out) const {
  detail::failure f;
  if (!detail::compose_part(fields(), payload.data(), payload.size(), out, f)) {
    detail::throw_failure(f);
  }
}

size_t impl::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  detail::failure f;
  const size_t end = parse_part(data.data(), data.size(), offset,
                                std::numeric_limits<size_t>::max(), f);
  if (f) detail::throw_failure(f);
  return end;
}

size_t impl::parse_part(const uint8_t* data, size_t size, size_t offset,
                        size_t max_payload, detail::failure& f) {
  const auto stored = detail::read_part_header(*this, data, size, offset, f);
  if (!stored) return offset;
  if (!detail::take_payload(compression, payload, data, *stored, max_payload,
                            f)) {
    return offset;
  }
  return stored->end();
}

}  // namespace kelvo
