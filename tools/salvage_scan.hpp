// SPDX-License-Identifier: MIT
// Finds the whole messages in a damaged stream of bytes, with the library's
// bounded parse alone. A damaged message whose header survived can still
// parse and swallow the whole messages after it, so a message is kept only
// where the bytes around it agree: the bytes after it start another message
// that parses, or the input ends there; failing that, no message that parses
// starts inside it. Where one does, the later message is taken instead.
//
// Memory: the bytes from the scan position up to the end of the longest
// message the limits allow, plus one chunk; the input is read once.
#ifndef VEXAL_TOOLS_SALVAGE_SCAN_HPP
#define VEXAL_TOOLS_SALVAGE_SCAN_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vexal/vexal.hpp>

#include "input_file.hpp"

namespace kelvo::tool {

/// What the scan found, in stream order.
struct salvage_events {
  /// A message kept: its `size` bytes, valid during the call.
  std::function<void(const uint8_t* data, size_t size)> message;
  /// `size` bytes from stream offset `offset` on were skipped.
  std::function<void(uint64_t offset, uint64_t size)> damaged;
};

struct salvage_totals {
  uint64_t messages = 0;  ///< Messages kept.
  uint64_t ranges = 0;    ///< Damaged ranges skipped.
  uint64_t dropped = 0;   ///< Bytes in them.
};

/// Scans everything `read` gives and reports each kept message and each
/// damaged range as it is decided.
salvage_totals salvage_scan(const byte_source& read, const vexal_limits& limits,
                            const salvage_events& on);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_SALVAGE_SCAN_HPP
