// SPDX-License-Identifier: MIT
// A view's payload is copied or inflated only when asked for, by the
// library's zlib codec, straight into the caller's vector; and the checks
// of a message that a view's parse did not accept at once.
#include "view/view_core.hpp"

#include "part/zlib_codec.hpp"

namespace kelvo::detail {

checked_message view_core::check_refused(const uint8_t* data, size_t available,
                                         uint64_t at,
                                         const vexal_limits& limits,
                                         failure& f) noexcept {
  return check_message(data, available, at, limits, f);
}

bool view_core::payload_into(const vexal_part_view& part,
                             std::vector<uint8_t>& out,
                             const vexal_limits& limits, failure& f) {
  if (part.compressed()) {
    f = zlib_inflate_into(part.stored_, part.stored_size_, out,
                          limits.max_payload_size);
    return !f;
  }
  if (part.stored_size_ > limits.max_payload_size) {
    out.clear();
    f = fail(vexal_errc::payload_too_long);
    return false;
  }
  out.assign(part.stored_, part.stored_ + part.stored_size_);
  return true;
}

}  // namespace kelvo::detail
