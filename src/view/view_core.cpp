// SPDX-License-Identifier: MIT
// The views' parse keeps, of each part, what its header's codes stand for
// and where its stored bytes lie; a payload is copied or inflated only when
// asked for, by the library's zlib codec, straight into the caller's vector.
#include "view/view_core.hpp"

#include "part/zlib_codec.hpp"

namespace kelvo::detail {

size_t view_core::parse(vexal_view& view, const uint8_t* data, size_t size,
                        size_t offset, const vexal_limits& limits,
                        failure& f) noexcept {
  if (offset >= size) return offset;
  const checked_message checked =
      check_message(data + offset, size - offset, offset, limits, f);
  if (f || !checked.frame.whole(size - offset)) return offset;
  return offset + fill(view, data + offset, checked);
}

size_t view_core::fill(vexal_view& view, const uint8_t* data,
                       const checked_message& checked) noexcept {
  const message_frame& frame = checked.frame;
  const part_fields& first = checked.parts[0];
  const part_fields& second = checked.parts[1];
  view.first_ =
      vexal_part_view(vexal_part_type::first, first.format, first.compression,
                      data + vexal_part_header_size, frame.first_stored);
  view.second_ = vexal_part_view(
      vexal_part_type::second, second.format, second.compression,
      data + frame.second_at() + vexal_part_header_size, frame.second_stored);
  view.size_ = static_cast<size_t>(frame.size);
  return view.size_;
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
