// SPDX-License-Identifier: MIT
// Parts whose type follows from their place: `vexal_part<T>` forces type T
// after construction, `init()` and every completed parse, so a wire type code
// only has to be valid. Instantiated here for the two types of a message.
#include "vexal/part.hpp"

#include <utility>

#include "part/impl.hpp"

namespace kelvo {

namespace {

using bytes = std::vector<uint8_t>;
using payload_format = vexal_part_payload::format;
using payload_compression = vexal_part_payload::compression;

}  // namespace

template <vexal_part_type T>
vexal_part<T>::vexal_part() {
  init();
}

// The payload constructors of `vexal_part_ctx`, each followed by `init()`.
template <vexal_part_type T>
vexal_part<T>::vexal_part(const bytes& payload) : vexal_part_ctx(payload) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(const bytes& payload, payload_format format)
    : vexal_part_ctx(payload, format) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(const bytes& payload, payload_compression compression)
    : vexal_part_ctx(payload, compression) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(const bytes& payload, payload_format format,
                          payload_compression compression)
    : vexal_part_ctx(payload, format, compression) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(bytes&& payload)
    : vexal_part_ctx(std::move(payload)) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(bytes&& payload, payload_format format)
    : vexal_part_ctx(std::move(payload), format) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(bytes&& payload, payload_compression compression)
    : vexal_part_ctx(std::move(payload), compression) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(bytes&& payload, payload_format format,
                          payload_compression compression)
    : vexal_part_ctx(std::move(payload), format, compression) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(const vexal_part& other)
    : vexal_part_ctx(other), vexal_serializer(other) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::vexal_part(vexal_part&& other)
    : vexal_part_ctx(std::move(other)), vexal_serializer(other) {
  init();
}

template <vexal_part_type T>
vexal_part<T>::~vexal_part() = default;

template <vexal_part_type T>
vexal_part<T>& vexal_part<T>::operator=(const vexal_part& other) {
  vexal_part_ctx::operator=(other);
  return *this;
}

template <vexal_part_type T>
vexal_part<T>& vexal_part<T>::operator=(vexal_part&& other) noexcept {
  vexal_part_ctx::operator=(std::move(other));
  return *this;
}

template <vexal_part_type T>
void vexal_part<T>::swap(vexal_part& other) noexcept {
  vexal_part_ctx::swap(other);
}

template <vexal_part_type T>
bool vexal_part<T>::operator==(const vexal_part& other) const noexcept {
  return impl_->is_equal(*other.impl_, false);
}

template <vexal_part_type T>
bool vexal_part<T>::operator!=(const vexal_part& other) const noexcept {
  return !impl_->is_equal(*other.impl_, false);
}

template <vexal_part_type T>
void vexal_part<T>::init() noexcept {
  impl_->type = T;
}

template <vexal_part_type T>
void vexal_part<T>::compose_impl(std::vector<uint8_t>& out) const {
  impl_->compose(out);
}

// The type is forced also when nothing was consumed; when the record's parse
// throws, it is not, and the record keeps what the failed parse left.
template <vexal_part_type T>
size_t vexal_part<T>::parse_impl(const std::vector<uint8_t>& data,
                                 size_t offset) {
  const size_t next = impl_->parse(data, offset);
  init();
  return next;
}

template class vexal_part<vexal_part_type::first>;
template class vexal_part<vexal_part_type::second>;

}  // namespace kelvo
