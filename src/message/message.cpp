// SPDX-License-Identifier: MIT
// The two-part message. A parse reads the first part's header into a
// temporary record and takes the part over only once the second part has
// been read as well, so the message takes over both parts or neither.
#include <limits>
#include <utility>

#include "message/message_parse.hpp"
#include "part/codes.hpp"
#include "part/impl.hpp"
#include "part/part_parse.hpp"
#include "serialization/reserve.hpp"
#include "vexal/vexal.hpp"

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

vexal_first_part& vexal::first() noexcept { return first_; }
const vexal_first_part& vexal::first() const noexcept { return first_; }
vexal_second_part& vexal::second() noexcept { return second_; }
const vexal_second_part& vexal::second() const noexcept { return second_; }

// When neither part can fail or compress, one reservation for the whole
// message spares moving the first part's bytes when the second part grows
// `out`; otherwise each part reserves its own room, after its own checks.
void vexal::compose_impl(std::vector<uint8_t>& out) const {
  const size_t first_size = certain_wire_size(*first_.impl_);
  const size_t second_size = certain_wire_size(*second_.impl_);
  if (first_size != 0 && second_size != 0) {
    detail::reserve_for_append(out, first_size + second_size);
  }
  first_.compose(out);
  second_.compose(out);
}

size_t vexal::parse_impl(const std::vector<uint8_t>& data, size_t offset) {
  return detail::parse_parts(*first_.impl_, *second_.impl_, data.data(),
                             data.size(), offset,
                             std::numeric_limits<size_t>::max());
}

namespace detail {

size_t parse_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                   const uint8_t* data, size_t size, size_t offset,
                   size_t max_payload) {
  using impl = vexal_part_ctx::impl;
  using payload_compression = vexal_part_payload::compression;
  // The first part's header is read into a record of its own, on the stack.
  impl read(std::vector<uint8_t>{}, vexal_part_type::first,
            vexal_part_payload::format::bytes, payload_compression::none);
  const auto stored = read_part_header(read, data, size, offset, max_payload);
  if (!stored) return offset;
  // A payload stored as is is copied straight into the first part once the
  // second part has been read, when the first part's buffer holds it: the
  // copy then allocates nothing and cannot fail. Any other payload is taken
  // now into the record on the stack (and inflated there), so that every
  // failure of the first part comes before the second part is looked at.
  const bool in_place = read.compression == payload_compression::none &&
                        first.payload.capacity() >= stored->size;
  if (!in_place) take_payload(read, data, *stored, max_payload);

  const size_t end =
      second.parse_bounded(data, size, stored->end(), max_payload);
  // Each part's type follows from its place, also when nothing was read.
  second.type = vexal_part_type::second;
  if (end == stored->end()) return offset;

  first.type = vexal_part_type::first;
  first.format = read.format;
  first.compression = read.compression;
  if (in_place) {
    take_payload(first, data, *stored, max_payload);
  } else {
    first.payload.swap(read.payload);
  }
  return end;
}

}  // namespace detail

}  // namespace kelvo
