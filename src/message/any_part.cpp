// SPDX-License-Identifier: MIT
// A part whose type is set at run time and kept from the wire on parse.
#include "vexal/part.hpp"

#include <utility>

#include "part/impl.hpp"

namespace kelvo {

using bytes = std::vector<uint8_t>;
using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;

vexal_any_part::vexal_any_part() = default;
vexal_any_part::vexal_any_part(const bytes& payload)
    : vexal_part_ctx(payload) {}
vexal_any_part::vexal_any_part(const bytes& payload, payload_format format)
    : vexal_part_ctx(payload, format) {}
vexal_any_part::vexal_any_part(const bytes& payload,
                               payload_compression compression)
    : vexal_part_ctx(payload, compression) {}
vexal_any_part::vexal_any_part(const bytes& payload, payload_format format,
                               payload_compression compression)
    : vexal_part_ctx(payload, format, compression) {}
vexal_any_part::vexal_any_part(bytes&& payload)
    : vexal_part_ctx(std::move(payload)) {}
vexal_any_part::vexal_any_part(bytes&& payload, payload_format format)
    : vexal_part_ctx(std::move(payload), format) {}
vexal_any_part::vexal_any_part(bytes&& payload, payload_compression compression)
    : vexal_part_ctx(std::move(payload), compression) {}
vexal_any_part::vexal_any_part(bytes&& payload, payload_format format,
                               payload_compression compression)
    : vexal_part_ctx(std::move(payload), format, compression) {}

vexal_any_part::vexal_any_part(vexal_part_type type, const bytes& payload,
                               payload_format format,
                               payload_compression compression)
    : vexal_part_ctx(payload, format, compression) {
  set_type(type);
}

vexal_any_part::vexal_any_part(vexal_part_type type, bytes&& payload,
                               payload_format format,
                               payload_compression compression)
    : vexal_part_ctx(std::move(payload), format, compression) {
  set_type(type);
}

vexal_any_part::vexal_any_part(const vexal_any_part& other) = default;

vexal_any_part::vexal_any_part(vexal_any_part&& other)
    : vexal_part_ctx(std::move(other)), vexal_serializer(other) {}

vexal_any_part::~vexal_any_part() = default;

vexal_any_part& vexal_any_part::operator=(const vexal_any_part& other) {
  vexal_part_ctx::operator=(other);
  return *this;
}

vexal_any_part& vexal_any_part::operator=(vexal_any_part&& other) noexcept {
  vexal_part_ctx::operator=(std::move(other));
  return *this;
}

void vexal_any_part::swap(vexal_any_part& other) noexcept {
  vexal_part_ctx::swap(other);
}

bool vexal_any_part::operator==(const vexal_any_part& other) const noexcept {
  return impl_->is_equal(*other.impl_, false);
}

bool vexal_any_part::operator!=(const vexal_any_part& other) const noexcept {
  return !impl_->is_equal(*other.impl_, false);
}

vexal_part_type vexal_any_part::get_type() const noexcept {
  return impl_->type;
}

void vexal_any_part::set_type(vexal_part_type type) noexcept {
  impl_->type = type;
}

void vexal_any_part::set_default_type() noexcept {
  impl_->type = vexal_part_type::second;
}

void vexal_any_part::compose_impl(std::vector<uint8_t>& out) const {
  impl_->compose(out);
}

size_t vexal_any_part::parse_impl(const std::vector<uint8_t>& data,
                                  size_t offset) {
  return impl_->parse(data, offset);
}

}  // namespace kelvo
