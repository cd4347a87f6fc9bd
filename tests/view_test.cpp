// SPDX-License-Identifier: MIT
// Message views against the owning parse: the same returns, the same error
// texts and the same parts, except that a zlib stream is refused only when
// its payload is asked for. fuzz/view_fuzzer.cpp checks the same on
// arbitrary bytes.
#include "vexal/view.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

#include "test_support.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_limits;
using kelvo::vexal_view;
using namespace vexal_test;

const bytes bad_zlib = wire_part(1, 3, 1, hex("78 9c ff"));

// "<end>" and the message of the owning parse within `limits`, or through a
// view and `to_message`; or the error text.
std::pair<std::string, vexal> read(const bytes& data, size_t offset,
                                   const vexal_limits& limits, bool by_view) {
  vexal message;
  if (!by_view) return {parse_result(message, data, offset, limits), message};
  vexal_view view;
  const std::string end = parse_result(view, data, offset, limits);
  for (const auto* part : {&view.first(), &view.second()}) {
    // A part stored as is is refused by the parse, never later.
    EXPECT_TRUE(part->compressed() ||
                part->stored_size() <= limits.max_payload_size);
  }
  if (view.size() == 0) return {end, message};
  EXPECT_EQ(end, std::to_string(offset + view.size()));
  try {
    return {end, view.to_message(limits)};
  } catch (const std::runtime_error& error) {
    return {error.what(), message};
  }
}

TEST(View, AgreesWithTheParseOnEveryPrefix) {
  // The shared table's messages, and samples made here by zlib, within
  // limits that refuse them.
  std::vector<std::pair<bytes, vexal_limits>> inputs = {
      {sample_messages()[2].compose(), {50, 1000}},
      {sample_messages()[2].compose(), {1000, 100}},
      {sample_messages()[3].compose(), {1000, 299}},
  };
  for (const message_row& row : message_rows()) {
    inputs.emplace_back(row.data, row.limits);
  }
  for (const auto& [input, limits] : inputs) {
    // Every prefix, at offsets 0 and 1: both refuse a header as soon as it
    // is whole.
    for (size_t size = 0; size <= input.size(); ++size) {
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

// The unlimited parse refuses a damaged first part before it reads the
// second part; a view refuses the second part's bad code first, and the
// damage only from the payload.
TEST(View, RefusesDamagedZlibFromThePayload) {
  const bytes whole = cat(bad_zlib, wire_part(2, 3, 0, {}));
  vexal message;
  const std::string damaged = parse_result(message, whole, 0);
  vexal_view view;
  EXPECT_THROW_MSG(view.parse(cat(bad_zlib, wire_part(2, 9, 0, {})), 0),
                   "Unknown vexal format (raw)");
  ASSERT_EQ(view.parse(whole, 0), whole.size());
  bytes out = hex("01");
  EXPECT_THROW_MSG(view.first().payload_into(out), damaged);
  EXPECT_TRUE(out.empty() && damaged.rfind("Failed zlib::inflate [-", 0) == 0);
}

// The inline path of `vexal_view::parse` declines nothing good: a message
// it declines is still read, by the library, but at the price of a call.
// Every code in its table, in either header, and the limits' exact edges
// are taken; a code just outside its table and a limit one byte short are
// not.
TEST(View, InlinePathTakesEveryGoodMessage) {
  struct header_codes {
    int type, format, compression;
    bool good;
  };
  std::vector<header_codes> rows;
  for (int type : {1, 2}) {
    for (int format : {1, 2, 3}) {
      for (int compression : {0, 1}) {
        rows.push_back({type, format, compression, true});
      }
    }
  }
  for (const header_codes bad : {header_codes{0, 3, 0, false},
                                 {3, 3, 0, false},
                                 {1, 0, 0, false},
                                 {1, 4, 0, false},
                                 {1, 3, 2, false}}) {
    rows.push_back(bad);
  }
  const bytes other = wire_part(2, 3, 0, hex("bb"));
  for (const auto& [type, format, compression, good] : rows) {
    const bytes codes = wire_part(type, format, compression, hex("aa 55"));
    for (const bytes& data : {cat(codes, other), cat(other, codes)}) {
      SCOPED_TRACE(to_hex(data));
      kelvo::detail::whole_message whole{};
      const bool taken = kelvo::detail::accept_whole_message(
          data.data(), data.size(), vexal_limits::unlimited(), whole);
      EXPECT_EQ(taken, good);
      if (taken) {
        EXPECT_EQ(whole.size, data.size());
      }
    }
  }
  // 16 + 2 + 1 bytes, the longer stored part 2 bytes: both limits exact,
  // then each one byte short; and one byte of the message missing.
  const bytes data = cat(wire_part(1, 3, 0, hex("aa 55")), other);
  for (const auto& [limits, available, good] :
       {std::tuple{vexal_limits{19, 2}, data.size(), true},
        {vexal_limits{18, 2}, data.size(), false},
        {vexal_limits{19, 1}, data.size(), false},
        {vexal_limits{19, 2}, data.size() - 1, false}}) {
    kelvo::detail::whole_message whole{};
    EXPECT_EQ(kelvo::detail::accept_whole_message(data.data(), available,
                                                  limits, whole),
              good);
    if (good) {
      EXPECT_EQ(whole.first_stored, 2u);
      EXPECT_EQ(whole.second_stored, 1u);
    }
  }
}

}  // namespace
