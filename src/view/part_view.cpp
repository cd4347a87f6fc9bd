// SPDX-License-Identifier: MIT
// A part view's payload, over the views' core (view/view_core.hpp).
#include "vexal/view.hpp"

#include "view/view_core.hpp"

namespace kelvo {

std::vector<uint8_t> vexal_part_view::payload(
    const vexal_limits& limits) const {
  std::vector<uint8_t> out;
  payload_into(out, limits);
  return out;
}

void vexal_part_view::payload_into(std::vector<uint8_t>& out,
                                   const vexal_limits& limits) const {
  detail::failure f;
  if (!detail::view_core::payload_into(*this, out, limits, f)) {
    detail::throw_failure(f);
  }
}

void vexal_part_view::payload_into(std::vector<uint8_t>& out,
                                   const vexal_limits& limits,
                                   std::error_code& ec) const noexcept {
  vexal_failure failure;
  payload_into(out, limits, failure);
  ec = failure;
}

void vexal_part_view::payload_into(std::vector<uint8_t>& out,
                                   const vexal_limits& limits,
                                   vexal_failure& failure) const noexcept {
  detail::failure f;
  detail::catch_out_of_memory(
      f, [&] { detail::view_core::payload_into(*this, out, limits, f); });
  detail::report(f, failure);
}

}  // namespace kelvo
