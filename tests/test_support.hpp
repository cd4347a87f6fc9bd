// SPDX-License-Identifier: MIT
// Helpers shared by the unit tests: hex literals for wire bytes and an exact
// check of a thrown error's message.
#ifndef VEXAL_TESTS_TEST_SUPPORT_HPP
#define VEXAL_TESTS_TEST_SUPPORT_HPP

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "vexal/vexal.hpp"

namespace vexal_test {

using bytes = std::vector<uint8_t>;

// "01 03 00 ff" -> {0x01, 0x03, 0x00, 0xff}; blanks are ignored.
inline bytes hex(const std::string& text) {
  bytes out;
  std::string digits;
  for (char c : text) {
    if (c == ' ') continue;
    digits += c;
    if (digits.size() == 2) {
      out.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return out;
}

inline bytes text_bytes(const std::string& text) {
  return bytes(text.begin(), text.end());
}

// Deterministic bytes that compress poorly.
inline bytes noise(size_t size, uint32_t seed = 1) {
  bytes out(size);
  for (auto& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return out;
}

// A message whose parts carry the given payloads and storage; the format
// goes to the second part.
inline kelvo::vexal make_message(
    const bytes& first,
    kelvo::vexal_part_payload::compression first_compression,
    const bytes& second,
    kelvo::vexal_part_payload::compression second_compression,
    kelvo::vexal_part_payload::format format) {
  kelvo::vexal message;
  message.first().set_payload(first);
  message.first().set_compression(first_compression);
  message.second().set_payload(second);
  message.second().set_compression(second_compression);
  message.second().set_format(format);
  return message;
}

}  // namespace vexal_test

// Expects `statement` to throw std::runtime_error whose what() is `message`.
#define EXPECT_THROW_MSG(statement, message)                      \
  do {                                                            \
    try {                                                         \
      statement;                                                  \
      ADD_FAILURE() << "no exception from: " #statement;          \
    } catch (const std::runtime_error& error) {                   \
      EXPECT_EQ(std::string(error.what()), std::string(message)); \
    }                                                             \
  } while (false)

#endif  // VEXAL_TESTS_TEST_SUPPORT_HPP
