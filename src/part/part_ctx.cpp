// SPDX-License-Identifier: MIT
// The public part handle: value semantics over one owned part record.
#include "vexal/part.hpp"

#include <utility>

#include "part/impl.hpp"
#include "part/part_compose.hpp"

namespace kelvo {

namespace {

using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;
using bytes = std::vector<uint8_t>;

template <typename Payload>
std::unique_ptr<vexal_part_ctx::impl> make_record(
    Payload&& payload, payload_format format = payload_format::bytes,
    payload_compression compression = payload_compression::none) {
  return std::make_unique<vexal_part_ctx::impl>(std::forward<Payload>(payload),
                                                vexal_part_type::second, format,
                                                compression);
}

// Hands `src`'s buffer to `dst` and releases `dst`'s old one. Moving through a
// temporary guarantees that `src` is left empty, which plain move assignment
// does not promise.
void take_buffer(bytes& dst, bytes& src) { dst = bytes(std::move(src)); }

}  // namespace

vexal_part_ctx::vexal_part_ctx() : impl_(make_record(bytes{})) {}
vexal_part_ctx::vexal_part_ctx(const bytes& payload)
    : impl_(make_record(payload)) {}
vexal_part_ctx::vexal_part_ctx(const bytes& payload, payload_format format)
    : impl_(make_record(payload, format)) {}
vexal_part_ctx::vexal_part_ctx(const bytes& payload,
                               payload_compression compression)
    : impl_(make_record(payload, payload_format::bytes, compression)) {}
vexal_part_ctx::vexal_part_ctx(const bytes& payload, payload_format format,
                               payload_compression compression)
    : impl_(make_record(payload, format, compression)) {}
vexal_part_ctx::vexal_part_ctx(bytes&& payload)
    : impl_(make_record(std::move(payload))) {}
vexal_part_ctx::vexal_part_ctx(bytes&& payload, payload_format format)
    : impl_(make_record(std::move(payload), format)) {}
vexal_part_ctx::vexal_part_ctx(bytes&& payload, payload_compression compression)
    : impl_(make_record(std::move(payload), payload_format::bytes,
                        compression)) {}
vexal_part_ctx::vexal_part_ctx(bytes&& payload, payload_format format,
                               payload_compression compression)
    : impl_(make_record(std::move(payload), format, compression)) {}

vexal_part_ctx::vexal_part_ctx(const vexal_part_ctx& other)
    : impl_(std::make_unique<impl>(*other.impl_)) {}

// The new record is allocated (with an empty payload) before the source is
// touched; only then is the source's buffer taken over, which cannot fail.
vexal_part_ctx::vexal_part_ctx(vexal_part_ctx&& other)
    : impl_(std::make_unique<impl>(bytes{}, other.impl_->type,
                                   other.impl_->format,
                                   other.impl_->compression)) {
  impl_->payload.swap(other.impl_->payload);
}

vexal_part_ctx::~vexal_part_ctx() = default;

vexal_part_ctx& vexal_part_ctx::operator=(const vexal_part_ctx& other) {
  impl_->type = other.impl_->type;
  impl_->format = other.impl_->format;
  impl_->compression = other.impl_->compression;
  impl_->payload = other.impl_->payload;
  return *this;
}

vexal_part_ctx& vexal_part_ctx::operator=(vexal_part_ctx&& other) noexcept {
  impl_->type = other.impl_->type;
  impl_->format = other.impl_->format;
  impl_->compression = other.impl_->compression;
  take_buffer(impl_->payload, other.impl_->payload);
  return *this;
}

// The records stay with their handles; only their contents change places.
void vexal_part_ctx::swap(vexal_part_ctx& other) noexcept {
  std::swap(impl_->type, other.impl_->type);
  std::swap(impl_->format, other.impl_->format);
  std::swap(impl_->compression, other.impl_->compression);
  impl_->payload.swap(other.impl_->payload);
}

bool vexal_part_ctx::operator==(const vexal_part_ctx& other) const noexcept {
  return impl_->is_equal(*other.impl_, true);
}

bool vexal_part_ctx::operator!=(const vexal_part_ctx& other) const noexcept {
  return !impl_->is_equal(*other.impl_, true);
}

payload_format vexal_part_ctx::get_format() const noexcept {
  return impl_->format;
}

void vexal_part_ctx::set_format(payload_format format) noexcept {
  impl_->format = format;
}

payload_compression vexal_part_ctx::get_compression() const noexcept {
  return impl_->compression;
}

void vexal_part_ctx::set_compression(payload_compression compression) noexcept {
  impl_->compression = compression;
}

const bytes& vexal_part_ctx::get_payload() const noexcept {
  return impl_->payload;
}

void vexal_part_ctx::set_payload(const bytes& payload) {
  impl_->payload = payload;
}

void vexal_part_ctx::set_payload(bytes&& payload) noexcept {
  take_buffer(impl_->payload, payload);
}

bytes vexal_part_ctx::take_payload() noexcept {
  bytes payload;
  payload.swap(impl_->payload);
  return payload;
}

void vexal_part_ctx::compose_header(bytes& out, size_t stored_size) const {
  uint8_t wire[vexal_part_header_size] = {};
  detail::failure f;
  if (!detail::encode_part_header(impl_->fields(), stored_size, wire, f)) {
    detail::throw_failure(f);
  }
  out.insert(out.end(), wire, wire + vexal_part_header_size);
}

}  // namespace kelvo
