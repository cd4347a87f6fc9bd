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
#include "reader/message_frame.hpp"
#include "vexal/view.hpp"

namespace kelvo::detail {

struct view_core {
  // `vexal_view::parse`: the message at `offset` of the `size` bytes at
  // `data`, checked within `limits` (`check_message`). A refusal is set in
  // `f`, at the offset of the field at fault; the view changes only when the
  // whole message has passed.
  static size_t parse(vexal_view& view, const uint8_t* data, size_t size,
                      size_t offset, const vexal_limits& limits,
                      failure& f) noexcept;

  // Points `view` at the whole message at `data`, which `checked` found
  // valid, and returns its size.
  static size_t fill(vexal_view& view, const uint8_t* data,
                     const checked_message& checked) noexcept;

  // `vexal_part_view::payload_into`: a refusal (zlib's, or the payload's
  // bound) leaves `out` empty; its `at` is 0, since a view does not know
  // where its bytes lie in the caller's input. Throws std::bad_alloc only.
  static bool payload_into(const vexal_part_view& part,
                           std::vector<uint8_t>& out,
                           const vexal_limits& limits, failure& f);
};

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_VIEW_VIEW_CORE_HPP
