// The two-part message. A parse reads the first part into a temporary and
// commits it only once the second part has been read as well, so the message
// takes over both parts or neither.
#include <utility>

#include "vexal/vexal.hpp"

namespace kelvo {

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

bool vexal::operator==(const vexal& other) const {
  return first_ == other.first_ && second_ == other.second_;
}

bool vexal::operator!=(const vexal& other) const {
  return first_ != other.first_ || second_ != other.second_;
}

vexal_first_part& vexal::first() { return first_; }
const vexal_first_part& vexal::first() const { return first_; }
vexal_second_part& vexal::second() { return second_; }
const vexal_second_part& vexal::second() const { return second_; }

void vexal::compose_impl(std::vector<uint8_t>& out) const {
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
