// SPDX-License-Identifier: MIT
// The element reader's bounds tests, the element writer and the big-endian
// helpers.
#include <gtest/gtest.h>

#include "serialization/byte_order.hpp"
#include "serialization/element.hpp"
#include "test_support.hpp"

namespace {

using kelvo::detail::pack;
using kelvo::detail::unpack;
using vexal_test::bytes;
using vexal_test::hex;

struct unpack_failure {
  size_t size;
  size_t pos;
  size_t width;
  const char* message;
};

class UnpackFailure : public testing::TestWithParam<unpack_failure> {};

TEST_P(UnpackFailure, ThrowsExactMessageAndKeepsDestination) {
  const auto& c = GetParam();
  const bytes data(c.size, 0x5A);
  if (c.width == 1) {
    uint8_t element = 0x11;
    EXPECT_THROW_MSG(unpack(data, c.pos, element), c.message);
    EXPECT_EQ(element, 0x11);
  } else {
    uint32_t element = 0x11223344;
    EXPECT_THROW_MSG(unpack(data, c.pos, element), c.message);
    EXPECT_EQ(element, 0x11223344u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, UnpackFailure,
    testing::Values(
        unpack_failure{8, 8, 1,
                       "Can't unpack element: Input too short [0] at [8] "
                       "expected [1]"},
        unpack_failure{8, 9, 1,
                       "Can't unpack element: Possition [9] out of range [8]"},
        unpack_failure{8, 5, 4,
                       "Can't unpack element: Input too short [3] at [5] "
                       "expected [4]"},
        unpack_failure{0, 0, 4,
                       "Can't unpack element: Input too short [0] at [0] "
                       "expected [4]"},
        unpack_failure{0, 0, 1,
                       "Can't unpack element: Input too short [0] at [0] "
                       "expected [1]"},
        unpack_failure{3, 18446744073709551615u, 4,
                       "Can't unpack element: Possition [18446744073709551615] "
                       "out of range [3]"}));

TEST(Element, ReadsAtTheLastPositionAndChains) {
  const bytes data = hex("aa 12 34 56 78");
  uint8_t first = 0;
  uint32_t second = 0;
  size_t pos = unpack(data, 0, first);
  pos = unpack(data, pos, second);
  EXPECT_EQ(pos, data.size());
  EXPECT_EQ(first, 0xAA);
  // Memory order, no byte-order conversion either way.
  bytes out;
  pack(out, second);
  EXPECT_EQ(out, hex("12 34 56 78"));
}

TEST(Element, PackAppendsExactlyTheWidth) {
  bytes out = {0x01};
  pack(out, uint8_t{0xFE});
  pack(out, uint32_t{0});
  EXPECT_EQ(out, hex("01 fe 00 00 00 00"));
}

TEST(ByteOrder, BigEndianBytesAndRoundTrip) {
  struct {
    uint32_t value;
    const char* wire;
  } const cases[] = {{0, "00 00 00 00"},
                     {3, "00 00 00 03"},
                     {256, "00 00 01 00"},
                     {0x12345678, "12 34 56 78"},
                     {0xFFFFFFFF, "ff ff ff ff"}};
  for (const auto& c : cases) {
    uint8_t encoded[4];
    kelvo::detail::encode_be32(encoded, c.value);
    EXPECT_EQ(bytes(encoded, encoded + 4), hex(c.wire)) << c.value;
    EXPECT_EQ(kelvo::detail::decode_be32(encoded), c.value);
    const uint32_t wire = kelvo::detail::to_big_endian(c.value);
    EXPECT_EQ(std::memcmp(&wire, encoded, 4), 0);
    EXPECT_EQ(kelvo::detail::from_big_endian(wire), c.value);
  }
}

}  // namespace
