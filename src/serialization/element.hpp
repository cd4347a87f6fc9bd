// SPDX-License-Identifier: MIT
// Reading and appending fixed-width elements at any byte position.
//
// Elements are copied in memory order, at any alignment, and never change byte
// order: a caller that needs a particular order on the wire converts the value
// before `pack` and after `unpack` (see byte_order.hpp).
#ifndef VEXAL_SRC_SERIALIZATION_ELEMENT_HPP
#define VEXAL_SRC_SERIALIZATION_ELEMENT_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "error/failure.hpp"

namespace kelvo::detail {

// The reader's two failures; the text is built only when one is thrown.
// A position past the end of `size` bytes is also what the C interface
// refuses an offset past the end with.
inline failure unpack_out_of_range(size_t pos, size_t size) noexcept {
  failure f = fail(vexal_errc::position_out_of_range, pos);
  f.numbers[0] = pos;
  f.numbers[1] = size;
  return f;
}

[[noreturn]] inline void throw_unpack_out_of_range(size_t pos, size_t size) {
  throw_failure(unpack_out_of_range(pos, size));
}

[[noreturn]] inline void throw_unpack_too_short(size_t remaining, size_t pos,
                                                size_t width) {
  failure f = fail(vexal_errc::input_too_short, pos);
  f.numbers[0] = remaining;
  f.numbers[1] = pos;
  f.numbers[2] = width;
  throw_failure(f);
}

// Reads one T at `pos` into `element` and returns the position after it.
// `element` is written only when both bounds tests pass.
template <typename T>
size_t unpack(const std::vector<uint8_t>& data, size_t pos, T& element) {
  static_assert(std::is_trivially_copyable_v<T>);
  constexpr size_t width = sizeof(T);
  const size_t size = data.size();
  if (pos > size) throw_unpack_out_of_range(pos, size);
  // pos <= size here, so the subtraction cannot wrap.
  if (size - pos < width) throw_unpack_too_short(size - pos, pos, width);
  std::memcpy(&element, data.data() + pos, width);
  return pos + width;
}

// Appends the bytes of `value`, growing `out` by exactly sizeof(T). Copying
// the bytes in, rather than resizing and then overwriting, grows `out` by the
// same rule without first zero-filling the new bytes.
template <typename T>
void pack(std::vector<uint8_t>& out, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof(T));
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_SERIALIZATION_ELEMENT_HPP
