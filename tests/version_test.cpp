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
  EXPECT_EQ(kelvo::vexal_version::get_string(), "0.0.1");
  EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." +
                std::to_string(patch),
            kelvo::vexal_version::get_string());
}

TEST(PayloadAdapters, CopyBytesAndNameTheirFormat) {
  namespace payload = kelvo::vexal_part_payload;
  for (const bytes& input : {bytes{}, bytes{0x61, 0x62, 0x63}}) {
    bytes to = payload::to_bytes(input);
    bytes from = payload::from_bytes<bytes>(input);
    EXPECT_EQ(to, input);
    EXPECT_EQ(from, input);
    to.push_back(1);
    from.push_back(2);
    EXPECT_EQ(input.size(), input.empty() ? 0u : 3u);
  }
  EXPECT_EQ(payload::get_format<bytes>(), payload::format::bytes);
  EXPECT_EQ(static_cast<int>(payload::get_format<bytes>()), 0);
}

}  // namespace
