// SPDX-License-Identifier: MIT
// Copying the few bytes of a small payload without a call.
#ifndef VEXAL_SRC_SERIALIZATION_COPY_BYTES_HPP
#define VEXAL_SRC_SERIALIZATION_COPY_BYTES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kelvo::detail {

// Copies the `size` bytes at `from` to `to`; the ranges do not overlap. Up
// to 16 bytes, as many small messages' payloads are, are copied in at most
// two moves of a fixed width that may overlap each other, rather than by a
// call into the C library, which a copy of unknown size always makes.
[[gnu::always_inline]] inline void copy_bytes(uint8_t* to, const uint8_t* from,
                                              size_t size) noexcept {
  const auto move_ends = [&](auto width) {
    decltype(width) head;
    decltype(width) tail;
    std::memcpy(&head, from, sizeof head);
    std::memcpy(&tail, from + size - sizeof tail, sizeof tail);
    std::memcpy(to, &head, sizeof head);
    std::memcpy(to + size - sizeof tail, &tail, sizeof tail);
  };
  if (size >= 8 && size <= 16) {
    move_ends(uint64_t{});
  } else if (size >= 4 && size < 8) {
    move_ends(uint32_t{});
  } else if (size > 0) {
    std::memcpy(to, from, size);
  }
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_SERIALIZATION_COPY_BYTES_HPP
