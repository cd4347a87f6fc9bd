// SPDX-License-Identifier: MIT
// Message views against the owning parse: the same returns, the same error
// texts and the same parts, except that a zlib stream is refused only when
// its payload is asked for.
#include "vexal/view.hpp"

#include <gtest/gtest.h>

#include <cctype>

#include "test_support.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_limits;
using kelvo::vexal_view;
using namespace vexal_test;

// "<end>" and the message of the owning parse (bounded when `limits` limit
// the message size), or through a view and `to_message`; or the error text.
std::pair<std::string, vexal> read(const bytes& data, size_t offset,
                                   const vexal_limits& limits, bool by_view) {
  vexal message;
  if (!by_view) {
    return {limits.max_message_size == SIZE_MAX
                ? parse_result(message, data, offset)
                : parse_result(message, data, offset, limits),
            message};
  }
  vexal_view view;
  const std::string end = parse_result(view, data, offset, limits);
  EXPECT_EQ(view.size(), end == std::to_string(offset) || !std::isdigit(end[0])
                             ? 0
                             : std::stoul(end) - offset);
  for (const auto* part : {&view.first(), &view.second()}) {
    // A part stored as is is refused by the parse, never later.
    EXPECT_TRUE(part->compressed() ||
                part->stored_size() <= limits.max_payload_size);
  }
  if (std::isdigit(end[0]) && view.size() > 0) {
    try {
      message = view.to_message(limits);
    } catch (const std::runtime_error& error) {
      return {error.what(), message};
    }
  }
  return {end, message};
}

TEST(View, AgreesWithTheParseOnEveryPrefix) {
  const bytes bad_zlib = wire_part(1, 3, 1, hex("78 9c ff"));
  const vexal_limits unlimited = vexal_limits::unlimited();
  std::vector<std::pair<bytes, vexal_limits>> inputs = {
      {hex("01 03 00 00 00 00 00 00 07 03 00 00 00 00 00 00"), unlimited},
      {hex("01 03 00 00 00 00 00 00 02 09 00 00 00 00 00 00"), unlimited},
      {hex("01 03 02 00 00 00 00 00 02 03 00 00 00 00 00 00"), unlimited},
      {cat(wire_part(1, 3, 0, noise(9)), bad_zlib), unlimited},
      {cat(wire_part(1, 3, 0, noise(9)), bad_zlib), {1000, 8}},
      {sample_messages()[2].compose(), {50, 1000}},
      {sample_messages()[2].compose(), {1000, 100}},
      {sample_messages()[3].compose(), {1000, 299}},
  };
  for (const vexal& sample : sample_messages()) {
    inputs.emplace_back(cat(hex("ee"), sample.compose()), unlimited);
  }
  for (const auto& [input, limits] : inputs) {
    // Every prefix, at offsets 0 and 1; the bounded parse reads nothing of
    // a message that is not whole, so with limits only whole ones compare.
    const bool bounded = limits.max_message_size != SIZE_MAX;
    for (size_t size = bounded ? input.size() : 0; size <= input.size();
         ++size) {
      const bytes data(input.begin(), input.begin() + size);
      for (size_t offset : {0, 1}) {
        SCOPED_TRACE(to_hex(data) + " at " + std::to_string(offset));
        const auto expected = read(data, offset, limits, false);
        const auto got = read(data, offset, limits, true);
        EXPECT_EQ(got.first, expected.first);
        // (After an error the owning message is partly replaced.)
        EXPECT_TRUE(got.second == expected.second ||
                    !std::isdigit(expected.first[0]));
      }
    }
  }
}

// A damaged stream in the first part: the owning parse reports it before it
// looks at the second part; the view reports the second part's code, or
// nothing until the payload is asked for.
TEST(View, RefusesDamagedZlibFromThePayload) {
  const bytes bad_zlib = wire_part(1, 3, 1, hex("78 9c ff"));
  const vexal_limits unlimited = vexal_limits::unlimited();
  const std::string damaged =
      read(cat(bad_zlib, wire_part(2, 3, 0, {})), 0, unlimited, false).first;
  EXPECT_EQ(damaged.rfind("Failed zlib::inflate [-", 0), 0u);
  vexal_view view;
  const bytes whole = cat(bad_zlib, wire_part(2, 1, 0, hex("aa")));
  ASSERT_EQ(view.parse(whole.data(), whole.size(), 0), whole.size());
  EXPECT_THROW_MSG(view.first().payload(), damaged);
  bytes out = hex("01 02");
  EXPECT_THROW_MSG(view.first().payload_into(out), damaged);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(view.second().payload(), hex("aa"));
  EXPECT_EQ(view.second().payload_data(), whole.data() + whole.size() - 1);
  EXPECT_EQ(view.first().payload_data(), nullptr);

  const bytes bad_second = cat(bad_zlib, wire_part(2, 9, 0, {}));
  EXPECT_EQ(read(bad_second, 0, unlimited, false).first, damaged);
  EXPECT_THROW_MSG(view.parse(bad_second.data(), bad_second.size(), 0),
                   "Unknown vexal format (raw)");
  EXPECT_EQ(view.parse(bad_zlib.data(), bad_zlib.size(), 0), 0u);
  EXPECT_EQ(view.size(), whole.size());  // unchanged by both
}

}  // namespace
