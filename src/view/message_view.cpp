// SPDX-License-Identifier: MIT
// The message view's members over the views' core (view/view_core.hpp).
#include "vexal/view.hpp"

#include <utility>

#include "view/view_core.hpp"

namespace kelvo {

size_t vexal_view::parse_checked(const uint8_t* data, size_t size,
                                 size_t offset, const vexal_limits& limits) {
  detail::failure f;
  const size_t end =
      detail::view_core::parse(*this, data, size, offset, limits, f);
  if (f) detail::throw_failure(f);
  return end;
}

size_t vexal_view::parse(const uint8_t* data, size_t size, size_t offset,
                         const vexal_limits& limits,
                         std::error_code& ec) noexcept {
  size_t end = 0;
  if (parse_whole(data, size, offset, limits, end)) {
    ec.clear();
    return end;
  }
  detail::failure f;
  end = detail::view_core::parse(*this, data, size, offset, limits, f);
  return detail::report(f, ec) ? offset : end;
}

size_t vexal_view::parse(const uint8_t* data, size_t size, size_t offset,
                         const vexal_limits& limits,
                         vexal_failure& failure) noexcept {
  size_t end = 0;
  if (parse_whole(data, size, offset, limits, end)) {
    failure = vexal_failure();
    return end;
  }
  detail::failure f;
  end = detail::view_core::parse(*this, data, size, offset, limits, f);
  return detail::report(f, failure) ? offset : end;
}

vexal vexal_view::to_message(const vexal_limits& limits) const {
  vexal_first_part first(first_.payload(limits), first_.get_format(),
                         first_.get_compression());
  vexal_second_part second(second_.payload(limits), second_.get_format(),
                           second_.get_compression());
  return {std::move(first), std::move(second)};
}

}  // namespace kelvo
