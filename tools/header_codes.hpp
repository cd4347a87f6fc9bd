// SPDX-License-Identifier: MIT
// What the bytes of a part header stand for, learned from headers that the
// library composes (vexal_part_ctx::compose_header) at the field positions of
// vexal/constants.hpp, so that the tool holds no wire numbers of its own.
#ifndef VEXAL_TOOLS_HEADER_CODES_HPP
#define VEXAL_TOOLS_HEADER_CODES_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kelvo::tool {

/// The header codes of each public value, and the length's byte order.
struct header_codes {
  std::array<uint8_t, 2> type;         ///< By vexal_part_type value.
  std::array<uint8_t, 3> format;       ///< By format value.
  std::array<uint8_t, 2> compression;  ///< none, then zlib.
  /// The weight of each byte of the stored length (1, 256, ...).
  std::array<uint64_t, 4> length_weight;

  /// The codes, learned once.
  static const header_codes& get();

  /// The value that `code` stands for in `table`; nothing for a code that
  /// the library refuses.
  template <size_t N>
  static std::optional<int> value_of(const std::array<uint8_t, N>& table,
                                     uint8_t code) {
    for (size_t value = 0; value < N; ++value) {
      if (table[value] == code) return static_cast<int>(value);
    }
    return std::nullopt;
  }

  /// The stored length in the header at `header`.
  uint64_t length(const uint8_t* header) const;
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_HEADER_CODES_HPP
