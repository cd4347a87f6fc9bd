// SPDX-License-Identifier: MIT
// The two-part message. A parse reads the first part into a temporary and
// commits it only once the second part has been read as well, so the message
// takes over both parts or neither.
#include <utility>

#include "part/codes.hpp"
#include "part/impl.hpp"
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
  vexal_first_part first;
  const size_t after_first = first.parse(data, offset);
  if (after_first == offset) return offset;
  const size_t after_second = second_.parse(data, after_first);
  if (after_second == after_first) return offset;
  first_ = std::move(first);
  return after_second;
}

}  // namespace kelvo
