// SPDX-License-Identifier: MIT
// The two-part message: its members over the parse of message_parse.hpp,
// which throw what it refuses, or report it as an error code.
#include "vexal/vexal.hpp"

#include <limits>
#include <utility>

#include "error/failure.hpp"
#include "message/message_parse.hpp"
#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/part_compose.hpp"
#include "serialization/reserve.hpp"

namespace kelvo {

namespace {

// The wire size of a record that is stored as is and carries valid codes, so
// that composing it can fail only for lack of memory; 0 for any other record.
size_t certain_wire_size(const vexal_part_ctx::impl& record) {
  if (record.compression != vexal_part_payload::compression::none ||
      record.payload.size() > vexal_max_stored_size ||
      !detail::is_known(record.type) || !detail::is_known(record.format)) {
    return 0;  // the part's own compose reports what it refuses
  }
  return vexal_part_header_size + record.payload.size();
}

// Appends both parts: the first, then the second, each refused before it
// appends anything; when the second is refused, the first stays appended.
// When neither part can fail or compress, one reservation for the whole
// message spares moving the first part's bytes when the second part grows
// `out`; otherwise each part reserves its own room, after its own checks.
bool compose_message(const vexal_part_ctx::impl& first,
                     const vexal_part_ctx::impl& second,
                     std::vector<uint8_t>& out, detail::failure& f) {
  const size_t first_size = certain_wire_size(first);
  const size_t second_size = certain_wire_size(second);
  if (first_size != 0 && second_size != 0) {
    detail::reserve_for_append(out, first_size + second_size);
  }
  return detail::compose_part(first.fields(), first.payload.data(),
                              first.payload.size(), out, f) &&
         detail::compose_part(second.fields(), second.payload.data(),
                              second.payload.size(), out, f);
}

// The headers of a message whose parts are stored as is.
std::array<uint8_t, vexal_raw_headers_size> raw_headers_of(
    const vexal_part_ctx::impl& first, const vexal_part_ctx::impl& second,
    detail::failure& f) noexcept {
  std::array<uint8_t, vexal_raw_headers_size> headers{};
  detail::encode_raw_headers(first.fields(), first.payload.size(),
                             second.fields(), second.payload.size(),
                             headers.data(), f);
  return headers;
}

}  // namespace

vexal::vexal() = default;

vexal::vexal(const vexal_first_part& first, const vexal_second_part& second)
    : first_(first), second_(second) {}

vexal::vexal(vexal_first_part&& first, vexal_second_part&& second)
    : first_(std::move(first)), second_(std::move(second)) {}

vexal::vexal(const vexal_first_part& first, vexal_second_part&& second)
    : first_(first), second_(std::move(second)) {}

vexal::vexal(vexal_first_part&& first, const vexal_second_part& second)
    : first_(std::move(first)), second_(second) {}

vexal::vexal(const vexal& other) = default;
vexal::vexal(vexal&& other) = default;
vexal::~vexal() = default;
vexal& vexal::operator=(const vexal& other) = default;
vexal& vexal::operator=(vexal&& other) noexcept = default;

void vexal::swap(vexal& other) noexcept {
  first_.swap(other.first_);
  second_.swap(other.second_);
}

bool vexal::operator==(const vexal& other) const noexcept {
  return first_ == other.first_ && second_ == other.second_;
}

bool vexal::operator!=(const vexal& other) const noexcept {
  return first_ != other.first_ || second_ != other.second_;
}

std::array<uint8_t, vexal_raw_headers_size> vexal::raw_headers() const {
  detail::failure f;
  const auto headers = raw_headers_of(*first_.impl_, *second_.impl_, f);
  if (f) detail::throw_failure(f);
  return headers;
}

std::array<uint8_t, vexal_raw_headers_size> vexal::raw_headers(
    std::error_code& ec) const noexcept {
  detail::failure f;
  const auto headers = raw_headers_of(*first_.impl_, *second_.impl_, f);
  detail::report(f, ec);
  return headers;
}

std::array<uint8_t, vexal_raw_headers_size> vexal::raw_headers(
    vexal_failure& failure) const noexcept {
  detail::failure f;
  const auto headers = raw_headers_of(*first_.impl_, *second_.impl_, f);
  detail::report(f, failure);
  return headers;
}

void vexal::compose(std::vector<uint8_t>& out,
                    std::error_code& ec) const noexcept {
  vexal_failure failure;
  compose(out, failure);
  ec = failure;
}

void vexal::compose(std::vector<uint8_t>& out,
                    vexal_failure& failure) const noexcept {
  detail::failure f;
  detail::catch_out_of_memory(
      f, [&] { compose_message(*first_.impl_, *second_.impl_, out, f); });
  detail::report(f, failure);
}

vexal_first_part& vexal::first() noexcept { return first_; }
const vexal_first_part& vexal::first() const noexcept { return first_; }
vexal_second_part& vexal::second() noexcept { return second_; }
const vexal_second_part& vexal::second() const noexcept { return second_; }

void vexal::compose_impl(std::vector<uint8_t>& out) const {
  detail::failure f;
  if (!compose_message(*first_.impl_, *second_.impl_, out, f)) {
    detail::throw_failure(f);
  }
}

size_t vexal::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  detail::failure f;
  const size_t end = detail::parse_parts(*first_.impl_, *second_.impl_,
                                         data.data(), data.size(), offset,
                                         std::numeric_limits<size_t>::max(), f);
  if (f) detail::throw_failure(f);
  return end;
}

size_t vexal::parse(const std::vector<uint8_t>& data, size_t offset,
                    const vexal_limits& limits) {
  return parse(data.data(), data.size(), offset, limits);
}

size_t vexal::parse(const uint8_t* data, size_t size, size_t offset,
                    const vexal_limits& limits) {
  detail::failure f;
  const size_t end = detail::parse_within(*this, data, size, offset, limits, f);
  if (f) detail::throw_failure(f);
  return end;
}

size_t vexal::parse(const std::vector<uint8_t>& data, size_t offset,
                    const vexal_limits& limits, std::error_code& ec) noexcept {
  return parse(data.data(), data.size(), offset, limits, ec);
}

size_t vexal::parse(const uint8_t* data, size_t size, size_t offset,
                    const vexal_limits& limits, std::error_code& ec) noexcept {
  vexal_failure failure;
  const size_t end = parse(data, size, offset, limits, failure);
  ec = failure;
  return end;
}

size_t vexal::parse(const uint8_t* data, size_t size, size_t offset,
                    const vexal_limits& limits,
                    vexal_failure& failure) noexcept {
  detail::failure f;
  const size_t end = detail::catch_out_of_memory(f, [&] {
    return detail::parse_within(*this, data, size, offset, limits, f);
  });
  return detail::report(f, failure) ? offset : end;
}

}  // namespace kelvo
