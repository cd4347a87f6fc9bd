// SPDX-License-Identifier: MIT
// The element reader's bounds tests, through the part header that reads
// with it, and the big-endian helpers; the element writer and reader are
// pinned by the part tests' wire bytes.
#include <gtest/gtest.h>

#include "part/impl.hpp"
#include "serialization/byte_order.hpp"
#include "test_support.hpp"

namespace {

using header = kelvo::vexal_part_ctx::impl::header;
using vexal_test::bytes;
using vexal_test::hex;

// The header reads its fields with the element reader: a read past the end
// names the position, the bytes left and the element's width, after the
// fields before it have been read, and leaves its own field alone.
TEST(Element, RefusesReadsPastTheEndAndKeepsTheDestination) {
  const struct {
    size_t size, pos;
    const char* message;
  } cases[] = {
      {8, 1, "Input too short [3] at [5] expected [4]"},
      {0, 0, "Input too short [0] at [0] expected [1]"},
      {8, 8, "Input too short [0] at [8] expected [1]"},
      {8, 9, "Possition [9] out of range [8]"},
      {3, SIZE_MAX, "Possition [18446744073709551615] out of range [3]"},
  };
  for (const auto& c : cases) {
    header head(header::type{7}, header::format{7}, header::compression{7},
                0x11223344);
    EXPECT_THROW_MSG(head.parse(bytes(c.size, 0x01), c.pos),
                     std::string("Can't unpack element: ") + c.message);
    EXPECT_EQ(head.payload_size, 0x11223344u);
  }
  header head(header::type{7}, header::format{7}, header::compression{7}, 0);
  EXPECT_EQ(head.parse(bytes(9, 0x01), 1), 9u);  // the offset after the read
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
