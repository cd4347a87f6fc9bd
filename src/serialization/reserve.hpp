// SPDX-License-Identifier: MIT
// Room-making for serializers that append to a caller's vector.
#ifndef VEXAL_SRC_SERIALIZATION_RESERVE_HPP
#define VEXAL_SRC_SERIALIZATION_RESERVE_HPP

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvo::detail {

// Makes room for `extra` more bytes in at most one allocation. Growth is at
// least geometric, so composing many messages into one vector stays linear.
inline void reserve_for_append(std::vector<uint8_t>& out, size_t extra) {
  const size_t needed = out.size() + extra;
  if (needed > out.capacity()) {
    out.reserve(std::max(needed, 2 * out.capacity()));
  }
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_SERIALIZATION_RESERVE_HPP
