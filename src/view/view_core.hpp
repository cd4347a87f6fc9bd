// SPDX-License-Identifier: MIT
// The views' parse and payload with refusals as values, beside their
// public members: the throwing ones, those that report an error code, the
// stream reader and the C interface all call these.
#ifndef VEXAL_SRC_VIEW_VIEW_CORE_HPP
#define VEXAL_SRC_VIEW_VIEW_CORE_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "error/failure.hpp"
#include "frame/message_frame.hpp"
#include "vexal/view.hpp"

namespace kelvo::detail {

struct view_core {
  // The views' parse for any target: the message at `offset` of the `size`
  // bytes at `data`, checked within `limits` (`check_message`). A refusal is
  // set in `f`, at the offset of the field at fault; only when the whole
  // message has passed is `take(message, checked)` called, with the
  // message's first byte, and the offset past the message returned. The C
  // interface takes the message straight into its own struct.
  template <typename Take>
  static size_t parse_into(const uint8_t* data, size_t size, size_t offset,
                           const vexal_limits& limits, failure& f,
                           Take&& take) noexcept {
    if (offset >= size) return offset;
    checked_message checked;
    if (!accept_whole_message(data + offset, size - offset, limits, checked)) {
      checked = check_refused(data + offset, size - offset, offset, limits, f);
      if (f || !checked.frame.whole(size - offset)) return offset;
    }
    take(data + offset, checked);
    return offset + static_cast<size_t>(checked.frame.size);
  }

  // `check_message` out of line, for what `accept_whole_message` did not
  // accept: short input and refusals, off the path of a good message.
  [[gnu::cold]] static checked_message check_refused(const uint8_t* data,
                                                     size_t available,
                                                     uint64_t at,
                                                     const vexal_limits& limits,
                                                     failure& f) noexcept;

  // `vexal_view::parse`: `parse_into` the view, which changes only when the
  // whole message has passed.
  static size_t parse(vexal_view& view, const uint8_t* data, size_t size,
                      size_t offset, const vexal_limits& limits,
                      failure& f) noexcept {
    return parse_into(
        data, size, offset, limits, f,
        [&view](const uint8_t* message, const checked_message& checked) {
          fill(view, message, checked);
        });
  }

  // Points `view` at the whole message at `data`, which `checked` found
  // valid, and returns its size.
  [[gnu::always_inline]] static size_t fill(
      vexal_view& view, const uint8_t* data,
      const checked_message& checked) noexcept {
    const message_frame& frame = checked.frame;
    return view.show(data, whole_message{frame.first_stored,
                                         frame.second_stored, frame.size});
  }

  // `vexal_part_view::payload_into`: a refusal (zlib's, or the payload's
  // bound) leaves `out` empty; its `at` is 0, since a view does not know
  // where its bytes lie in the caller's input. Throws std::bad_alloc only.
  static bool payload_into(const vexal_part_view& part,
                           std::vector<uint8_t>& out,
                           const vexal_limits& limits, failure& f);
};

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_VIEW_VIEW_CORE_HPP
