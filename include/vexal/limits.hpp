// SPDX-License-Identifier: MIT
// What one message read from untrusted bytes may cost: the bounded parse
// (vexal/vexal.hpp) and the stream reader (vexal/reader.hpp) both take a
// `vexal_limits`.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_LIMITS_HPP
#define VEXAL_LIMITS_HPP

#include <cstddef>
#include <limits>

namespace kelvo {

/// What one message may cost. Both limits are inclusive: a message of
/// exactly `max_message_size` bytes and a payload of exactly
/// `max_payload_size` bytes are accepted.
struct vexal_limits {
  /// The default of each limit: 64 MiB.
  static constexpr size_t default_size = size_t{64} << 20;

  /// The largest message on the wire, 16 + L1 + L2 bytes (the two 8-byte
  /// headers and the stored bytes of both parts).
  size_t max_message_size = default_size;
  /// The largest payload of one part, as stored or after inflating.
  size_t max_payload_size = default_size;

  /// Both limits at their largest value, so nothing is refused for size.
  static constexpr vexal_limits unlimited() {
    return {std::numeric_limits<size_t>::max(),
            std::numeric_limits<size_t>::max()};
  }
};

}  // namespace kelvo

#endif  // VEXAL_LIMITS_HPP
