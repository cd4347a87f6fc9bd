// SPDX-License-Identifier: MIT
// The message subsystem: typed parts, whose type follows from their place,
// and the two-part message with its exact bytes, its all-or-nothing parse and
// its value semantics.
#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_first_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using kelvo::vexal_second_part;
using namespace vexal_test;

const bytes empty_message =
    hex("01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00");

TEST(Message, ComposesTheExampleBytesOrTheFirstPartOnly) {
  vexal m;
  EXPECT_EQ(m.compose(), empty_message);
  m.first().set_payload(hex("aa bb"));
  bytes out = {0x55};
  m.compose(out);
  EXPECT_EQ(out, cat(hex("55 01 03 00 00 00 00 00 02 aa bb"),
                     hex("02 03 00 00 00 00 00 00")));

  m.second().set_format(format(3));
  out = {0x42};
  EXPECT_THROW_MSG(m.compose(out), "Unknown vexal format");
  EXPECT_EQ(out, hex("42 01 03 00 00 00 00 00 02 aa bb"));
  // A failure in the first part leaves even the capacity of `out` alone,
  // though the second part could be composed.
  m.second().set_format(format::bytes);
  m.first().set_format(format(-4));
  bytes small = {0x42};
  EXPECT_THROW_MSG(m.compose(small), "Unknown vexal format");
  EXPECT_EQ(small, hex("42"));
  EXPECT_EQ(small.capacity(), 1u);
}

// Every payload size up to past the small-message path, each payload
// different from the other, composes to its header and bytes: small
// payloads are copied by widths of their own.
TEST(Message, ComposesPayloadsOfEverySmallSize) {
  for (size_t size = 0; size <= 200; size += size < 20 ? 1 : 37) {
    SCOPED_TRACE(size);
    const bytes first = noise(size);
    bytes second = noise(size + 1);
    second.erase(second.begin());
    const vexal m{vexal_first_part(first), vexal_second_part(second)};
    bytes out = {0x55};
    m.compose(out);
    EXPECT_EQ(out, cat(cat(hex("55"), wire_part(1, 3, 0, first)),
                       wire_part(2, 3, 0, second)));
  }
}

// Each input is parsed at `offset` into a message holding "0 0 01 | 2 0 02";
// the parse returns or throws `result` and leaves the message as
// `after`. A bad first part changes nothing, a bad second part keeps the
// first. Too few bytes change nothing: the stream tests cut a stream at every
// byte, and the part tests start past the end.
TEST(Message, ParsesEveryKindOfInput) {
  const bytes zipped = make_message(noise(300), compression::zlib_level_7,
                                    hex("74"), compression::none, format::bytes)
                           .compose();
  const std::string before = "0 0 01 | 2 0 02";
  const struct {
    bytes input;
    size_t offset;
    std::string result, after;
  } cases[] = {
      {empty_message, 0, "16", "0 0  | 0 0 "},
      {cat(hex("ee ee"), cat(zipped, hex("ff"))), 2,
       std::to_string(zipped.size() + 2),
       "0 1 " + to_hex(noise(300)) + " | 0 0 74"},
      {hex("05 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00"), 0,
       "Unknown vexal type (raw)", before},
      {hex("01 03 01 00 00 00 00 01 00 02 03 00 00 00 00 00 00"), 0,
       "Failed zlib::inflate [-5]: ", before},
      {hex("01 03 00 00 00 00 00 01 aa 02 03 05 00 00 00 00 00"), 0,
       "Unknown vexal compression (raw)", "0 0 01 | 0 0 02"},
      {hex("01 03 00 00 00 00 00 01 aa 02 02 01 00 00 00 00 01 00"), 0,
       "Failed zlib::inflate [-5]: ", "0 0 01 | 1 1 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_hex(c.input));
    vexal m = make_message(hex("01"), compression::none, hex("02"),
                           compression::none, format::application_2);
    EXPECT_EQ(parse_result(m, c.input, c.offset), c.result);
    EXPECT_EQ(state(m.first()) + " | " + state(m.second()), c.after);
  }
}

TEST(Message, ConstructorsAndEqualityCoverBothParts) {
  const vexal_first_part first(hex("01"));
  const vexal_second_part second(hex("02"));
  const vexal both(first, second);
  for (const vexal& same :
       {vexal(first, vexal_second_part(second)),
        vexal(vexal_first_part(first), second),
        vexal(vexal_first_part(first), vexal_second_part(second))}) {
    EXPECT_TRUE(same == both && !(same != both));
  }
  for (const vexal& other : {vexal(first, vexal_second_part(hex("03"))),
                             vexal(vexal_first_part(hex("03")), second)}) {
    EXPECT_TRUE(other != both && !(other == both));
  }
}

TEST(TypedPart, TypeFollowsThePlace) {
  const bytes type0_part = hex("02 03 00 00 00 00 00 01 aa");
  const bytes type1_part = hex("01 03 00 00 00 00 00 01 aa");
  vexal_first_part first;
  EXPECT_EQ(first.parse(type0_part, 0), 9u);
  EXPECT_EQ(first.compose(), type1_part);
  vexal_second_part second;
  EXPECT_EQ(second.parse(type1_part, 0), 9u);
  EXPECT_EQ(second.compose(), type0_part);
  EXPECT_EQ(vexal_second_part(second).compose(), type0_part);

  // Assigning through the base copies the other type; copies, moves and
  // init() restore T, and typed parts compare it.
  static_cast<vexal_part_ctx&>(first) = second;
  EXPECT_EQ(vexal_first_part(first).compose(), type1_part);
  EXPECT_TRUE(first != vexal_first_part(first));
  EXPECT_FALSE(first == vexal_first_part(first));
  vexal_first_part moved;
  static_cast<vexal_part_ctx&>(moved) = second;
  EXPECT_EQ(vexal_first_part(std::move(moved)).compose(), type1_part);
  EXPECT_EQ(first.compose()[0], 2);
  first.init();
  EXPECT_EQ(first.compose()[0], 1);
  // A parse that threw leaves the wire's type until init() or a later parse.
  EXPECT_THROW_MSG(first.parse(hex("02 09 00 00 00 00 00 00"), 0),
                   "Unknown vexal format (raw)");
  EXPECT_EQ(first.compose()[0], 2);
  EXPECT_EQ(first.parse(bytes(3), 0), 0u);
  EXPECT_EQ(first.compose()[0], 1);
  // So does a message's first part, assigned the other type through the base.
  vexal message;
  static_cast<vexal_part_ctx&>(message.first()) = second;
  EXPECT_EQ(message.parse(empty_message, 0), 16u);
  EXPECT_EQ(message.compose(), empty_message);
}

// The raw headers are the bytes `compose` writes around the payloads of raw
// parts; a compressed part, or a value `compose` refuses, is refused.
TEST(Message, RawHeadersAreTheComposedHeadersOfRawParts) {
  const struct {
    vexal message;
    std::string error;
  } rows[] = {
      {sample_messages()[0], ""},
      {make_message(noise(300), compression::none, hex("61"), compression::none,
                    format::application_2),
       ""},
      {sample_messages()[2], "vexal part is compressed"},
      {make_message({}, compression(13), {}, compression::zlib_default,
                    format::bytes),
       "Unknown vexal compression"},
      {make_message({}, compression::none, {}, compression::none, format(3)),
       "Unknown vexal format"},
  };
  for (const auto& row : rows) {
    if (!row.error.empty()) {
      EXPECT_THROW_MSG(row.message.raw_headers(), row.error);
      continue;
    }
    const bytes wire = row.message.compose();
    const auto headers = row.message.raw_headers();
    const auto second_at =
        wire.begin() + 8 + row.message.first().get_payload().size();
    EXPECT_TRUE(std::equal(headers.begin(), headers.begin() + 8, wire.begin()));
    EXPECT_TRUE(std::equal(headers.begin() + 8, headers.end(), second_at));
  }
}

}  // namespace
