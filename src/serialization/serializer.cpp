// SPDX-License-Identifier: MIT
// Entry points of the serializer interface: each adds one virtual call.
#include "vexal/serializer.hpp"

namespace kelvo {

vexal_serializer::~vexal_serializer() = default;

std::vector<uint8_t> vexal_serializer::compose() const {
  std::vector<uint8_t> out;
  compose_impl(out);
  return out;
}

void vexal_serializer::compose(std::vector<uint8_t>& out) const {
  compose_impl(out);
}

size_t vexal_serializer::parse(const std::vector<uint8_t>& data,
                               size_t offset) {
  return parse_impl(data, offset);
}

}  // namespace kelvo
