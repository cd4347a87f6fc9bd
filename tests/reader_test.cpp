// SPDX-License-Identifier: MIT
// The stream reader and the bounded parse: limits at and just past their
// edge, refusals from the headers alone, the counters a caller reads between
// feeds, and the refuse-until-skip rule.
#include "vexal/reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_limits;
using kelvo::vexal_reader;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;
using vexal_test::bytes;
using vexal_test::hex;
using vexal_test::make_message;

bytes wire_of(const bytes& first, compression first_compression,
              const bytes& second) {
  return make_message(first, first_compression, second, compression::none,
                      format::bytes)
      .compose();
}

// The error `parse` throws for `data` within `limits` ("" when none), and
// checks that a refusal in the first part or the headers changes nothing.
std::string parse_error(const bytes& data, const vexal_limits& limits) {
  const vexal before = make_message(hex("01"), compression::none, hex("02"),
                                    compression::none, format::bytes);
  vexal message = before;
  try {
    EXPECT_EQ(message.parse(data, 0, limits), data.size());
    return "";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(message.first() == before.first());
    return error.what();
  }
}

TEST(Reader, LimitsAreInclusiveAndReaderAndParseAgree) {
  const bytes text(5000, 'a');
  const bytes stored = wire_of(text, compression::none, hex("aa bb"));
  const bytes inflated = wire_of(text, compression::zlib_default, {});
  const bytes bomb = wire_of(bytes(16 << 20, 0), compression::zlib_level_9, {});
  const bytes second_long = wire_of({}, compression::none, text);
  const size_t big = 1 << 30;
  const std::string too_long = "vexal message too long";
  const std::string payload = "vexal payload too long";
  const struct {
    const bytes& data;
    vexal_limits limits;
    std::string error;
  } rows[] = {
      {stored, {stored.size(), 5000}, ""},
      {stored, {stored.size() - 1, big}, too_long},
      {stored, {big, 4999}, payload},
      {inflated, {big, 5000}, ""},
      {inflated, {big, 4999}, payload},
      {second_long, {big, 4999}, payload},
      {bomb, {big, 1 << 20}, payload},
      {bomb, vexal_limits::unlimited(), ""},
      {hex("01 03 07 00 00 00 00 00 02 03 00 00 00 00 00 00"),
       {},
       "Unknown vexal compression (raw)"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(parse_error(row.data, row.limits), row.error);
    vexal_reader reader(row.limits);
    reader.feed(row.data);
    vexal message;
    for (int attempt = 0; attempt < 2 && !row.error.empty(); ++attempt) {
      EXPECT_THROW_MSG(reader.next(message), row.error);
    }
    reader.skip();
    EXPECT_EQ(reader.next(message), row.error.empty());
    EXPECT_EQ(reader.offset(), row.data.size());
    EXPECT_EQ(reader.buffered(), 0u);
  }
}

TEST(Reader, CountsEveryByteFedOneAtATime) {
  const vexal compressed =
      make_message(bytes(70000, 'q'), compression::zlib_level_1, hex("aa"),
                   compression::none, format::bytes);
  bytes stream = compressed.compose();
  const bytes bad = hex("05 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00");
  stream.insert(stream.end(), bad.begin(), bad.end());
  compressed.compose(stream);
  vexal_reader reader;
  vexal message;
  std::vector<uint64_t> ends;
  for (size_t fed = 0; fed < stream.size(); ++fed) {
    const size_t needed = reader.needed();
    reader.feed(&stream[fed], 1);
    EXPECT_EQ(reader.offset() + reader.buffered(), fed + 1);
    // Exact once both headers are in; a header read may raise it.
    if (needed > 1) {
      EXPECT_EQ(reader.needed(), needed - 1);
    }
    const bool whole = reader.needed() == 0;
    try {
      EXPECT_EQ(reader.next(message), whole);
      if (whole) ends.push_back(reader.offset());
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "Unknown vexal type (raw)");
      EXPECT_THROW_MSG(reader.next(message), "Unknown vexal type (raw)");
      reader.skip();
    }
  }
  const uint64_t size = stream.size() - bad.size();
  ASSERT_EQ(ends, (std::vector<uint64_t>{size / 2, stream.size()}));
  EXPECT_TRUE(message == make_message(bytes(70000, 'q'),
                                      compression::zlib_default, hex("aa"),
                                      compression::none, format::bytes));
  EXPECT_EQ(reader.wire().offset, size / 2 + bad.size());
  EXPECT_EQ(reader.wire().size, size / 2);
  EXPECT_TRUE(reader.wire().parts[0].compressed);
  EXPECT_EQ(reader.wire().parts[0].zlib_level_hint, 0);  // level 1: fastest
  EXPECT_EQ(reader.wire().parts[1].stored_size, 1u);
}

TEST(Reader, RefusesHugeHeadersUnheldAndSkipsTheirBytesAsTheyCome) {
  // L1 = 4 GiB - 1 refuses from the first header, L2 from the second.
  for (const bytes& headers :
       {hex("01 03 00 00 ff ff ff ff"),
        hex("01 03 00 00 00 00 00 00 02 03 00 00 ff ff ff ff")}) {
    vexal_reader reader;
    vexal message;
    reader.feed(headers);
    EXPECT_THROW_MSG(reader.next(message), "vexal message too long");
    EXPECT_EQ(reader.buffered(), headers.size());
    reader.skip();
    EXPECT_EQ(reader.buffered(), 0u);
    // The rest of the message as far as known, then the next first header.
    EXPECT_EQ(reader.needed(), uint64_t{0xffffffff} + 24 - headers.size());
    const bytes chunk(1 << 20, 0);
    for (uint64_t left = 0xffffffffu; left > 0;) {
      const size_t size = std::min<uint64_t>(left, chunk.size());
      reader.feed(chunk.data(), size);
      left -= size;
      EXPECT_EQ(reader.buffered(), 0u);
    }
    if (headers.size() == 8) reader.feed(hex("02 03 00 00 00 00 00 02 aa bb"));
    EXPECT_FALSE(reader.next(message));
    EXPECT_EQ(reader.needed(), 8u);
    reader.feed(wire_of(hex("cc"), compression::none, {}));
    EXPECT_TRUE(reader.next(message));
    EXPECT_EQ(message.first().get_payload(), hex("cc"));
  }
}

}  // namespace
