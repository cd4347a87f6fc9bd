// SPDX-License-Identifier: MIT
// The element reader's bounds tests and the big-endian helpers; the element
// writer and reader are pinned by the part tests' wire bytes.
#include <gtest/gtest.h>

#include "serialization/byte_order.hpp"
#include "serialization/element.hpp"
#include "test_support.hpp"

namespace {

using kelvo::detail::unpack;
using vexal_test::bytes;
using vexal_test::hex;

// A failed read names the position, the bytes left and the width, and leaves
// the destination alone.
TEST(Element, RefusesReadsPastTheEndAndKeepsTheDestination) {
  const struct {
    size_t size, pos;
    const char* message;
  } cases[] = {
      {8, 5, "Input too short [3] at [5] expected [4]"},
      {0, 0, "Input too short [0] at [0] expected [4]"},
      {8, 9, "Possition [9] out of range [8]"},
      {3, SIZE_MAX, "Possition [18446744073709551615] out of range [3]"},
  };
  for (const auto& c : cases) {
    uint32_t wide = 0x11223344;
    EXPECT_THROW_MSG(unpack(bytes(c.size), c.pos, wide),
                     std::string("Can't unpack element: ") + c.message);
    EXPECT_EQ(wide, 0x11223344u);
  }
  uint8_t narrow = 0x11;
  EXPECT_THROW_MSG(unpack(bytes(8), 8, narrow),
                   "Can't unpack element: Input too short [0] at [8] "
                   "expected [1]");
  EXPECT_EQ(narrow, 0x11);
  EXPECT_EQ(unpack(bytes(8), 7, narrow), 8u);  // the position after the read
}

TEST(ByteOrder, BigEndianBytesAndRoundTrip) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x12345678, "12 34 56 78"}, {0xFFFFFFFF, "ff ff ff ff"}};
  for (const auto& [value, expected] : cases) {
    bytes encoded(4);
    kelvo::detail::encode_be32(encoded.data(), value);
    const uint32_t wire = kelvo::detail::to_big_endian(value);
    EXPECT_EQ(encoded, hex(expected));
    EXPECT_EQ(kelvo::detail::decode_be32(encoded.data()), value);
    EXPECT_EQ(std::memcmp(&wire, encoded.data(), 4), 0);
    EXPECT_EQ(kelvo::detail::from_big_endian(wire), value);
  }
}

}  // namespace
