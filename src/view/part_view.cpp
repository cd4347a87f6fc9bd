// SPDX-License-Identifier: MIT
// A part view's payload: the stored bytes copied, or inflated by the
// library's zlib codec straight into the caller's vector.
#include "part/limit_errors.hpp"
#include "part/zlib_codec.hpp"
#include "vexal/view.hpp"

namespace kelvo {

std::vector<uint8_t> vexal_part_view::payload(
    const vexal_limits& limits) const {
  std::vector<uint8_t> out;
  payload_into(out, limits);
  return out;
}

void vexal_part_view::payload_into(std::vector<uint8_t>& out,
                                   const vexal_limits& limits) const {
  if (compressed()) {
    detail::zlib_inflate_into(stored_, stored_size_, out,
                              limits.max_payload_size);
    return;
  }
  if (stored_size_ > limits.max_payload_size) {
    out.clear();
    detail::throw_payload_too_long();
  }
  out.assign(stored_, stored_ + stored_size_);
}

}  // namespace kelvo
