// SPDX-License-Identifier: MIT
// The two-part message: its members over the parse of message_parse.hpp,
// which throw what it refuses, or report it as an error code.
#include "vexal/vexal.hpp"

#include <cstring>
#include <limits>
#include <utility>

#include "error/failure.hpp"
#include "message/message_parse.hpp"
#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/part_compose.hpp"
#include "serialization/copy_bytes.hpp"
#include "serialization/reserve.hpp"

namespace kelvo {

namespace {

// The record's type, format and compression, as composing reads them.
detail::part_fields fields_of(const vexal_part_ctx::impl& record) {
  return {record.type, record.format, record.compression};
}

// A message up to this size is written into room made by growing `out`,
// zeroed first: zeroing so few bytes costs less than the bookkeeping of one
// insert per piece. Longer ones are inserted piece by piece, so that no
// large payload is written twice.
constexpr size_t small_message = 256;

// Appends the `size` bytes at `data` to `out`.
void append(std::vector<uint8_t>& out, const uint8_t* data, size_t size) {
  out.insert(out.end(), data, data + size);
}

// Appends one part stored as is: its encoded `header`, then its payload.
void append_part(std::vector<uint8_t>& out, const uint8_t* header,
                 const std::vector<uint8_t>& payload) {
  detail::reserve_for_append(out, vexal_part_header_size + payload.size());
  append(out, header, vexal_part_header_size);
  append(out, payload.data(), payload.size());
}

// Appends a message of two parts stored as is, from their encoded `headers`
// (both, back to back) and their payloads, after one reservation.
void append_message(std::vector<uint8_t>& out, const uint8_t* headers,
                    const std::vector<uint8_t>& first,
                    const std::vector<uint8_t>& second) {
  const uint8_t* second_header = headers + vexal_part_header_size;
  const size_t total = vexal_raw_headers_size + first.size() + second.size();
  if (total > small_message) {
    detail::reserve_for_append(out, total);
    append(out, headers, vexal_part_header_size);
    append(out, first.data(), first.size());
    append(out, second_header, vexal_part_header_size);
    append(out, second.data(), second.size());
    return;
  }
  // Growing by resize reserves exactly for an empty `out`, and at least
  // doubles a longer one.
  const size_t at = out.size();
  out.resize(at + total);
  uint8_t* to = out.data() + at;
  std::memcpy(to, headers, vexal_part_header_size);
  to += vexal_part_header_size;
  detail::copy_bytes(to, first.data(), first.size());
  to += first.size();
  std::memcpy(to, second_header, vexal_part_header_size);
  to += vexal_part_header_size;
  detail::copy_bytes(to, second.data(), second.size());
}

// Appends both parts: the first, then the second, each refused before it
// appends anything; when the second is refused, the first stays appended.
// Parts stored as is are written from their headers, encoded first, and
// their payloads, after one exact reservation for all that is appended;
// a compressed part reserves its own room once its zlib stream is made.
bool compose_message(const vexal_part_ctx::impl& first,
                     const vexal_part_ctx::impl& second,
                     std::vector<uint8_t>& out, detail::failure& f) {
  using payload_compression = vexal_part_payload::compression;
  if (first.compression != payload_compression::none ||
      second.compression != payload_compression::none) {
    return detail::compose_part(fields_of(first), first.payload.data(),
                                first.payload.size(), out, f) &&
           detail::compose_part(fields_of(second), second.payload.data(),
                                second.payload.size(), out, f);
  }
  uint8_t headers[vexal_raw_headers_size] = {};
  if (!detail::encode_part_header(fields_of(first), first.payload.size(),
                                  headers, f)) {
    return false;
  }
  if (!detail::encode_part_header(fields_of(second), second.payload.size(),
                                  headers + vexal_part_header_size, f)) {
    append_part(out, headers, first.payload);
    return false;
  }
  append_message(out, headers, first.payload, second.payload);
  return true;
}

// The headers of a message whose parts are stored as is.
std::array<uint8_t, vexal_raw_headers_size> raw_headers_of(
    const vexal_part_ctx::impl& first, const vexal_part_ctx::impl& second,
    detail::failure& f) noexcept {
  std::array<uint8_t, vexal_raw_headers_size> headers{};
  detail::encode_raw_headers(fields_of(first), first.payload.size(),
                             fields_of(second), second.payload.size(),
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
