// SPDX-License-Identifier: MIT
// The library version and the byte-vector payload adapters.
#include "vexal/version.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "vexal/payload.hpp"

namespace {

using vexal_test::bytes;

TEST(Version, NumbersJoinToTheText) {
  const auto [major, minor, patch] = kelvo::vexal_version::get();
  EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." +
                std::to_string(patch),
            "0.0.1");
  EXPECT_EQ(kelvo::vexal_version::get_string(), "0.0.1");
}

TEST(PayloadAdapters, CopyBytesAndNameTheirFormat) {
  namespace payload = kelvo::vexal_part_payload;
  const bytes input = {0x61, 0x62, 0x63};
  EXPECT_EQ(payload::to_bytes(input), input);
  EXPECT_EQ(payload::from_bytes<bytes>(input), input);
  EXPECT_EQ(payload::get_format<bytes>(), payload::format::bytes);
}

}  // namespace
