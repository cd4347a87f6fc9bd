// SPDX-License-Identifier: MIT
// The stream reader and the bounded parse: limits at and just past their
// edge, refusals from the headers alone, the counters a caller reads between
// feeds, and the refuse-until-skip rule. fuzz/reader_fuzzer.cpp checks that
// the reader yields what the bounded parse yields, and the split test in
// robustness/ that it yields what the parse yields, fed in any pieces.
#include "vexal/reader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.hpp"

namespace {

using namespace kelvo;
using namespace vexal_test;
using vexal_part_payload::compression;
using vexal_part_payload::format;

bytes wire_of(const bytes& first, compression first_compression,
              const bytes& second) {
  return make_message(first, first_compression, second, compression::none,
                      format::bytes)
      .compose();
}

TEST(Reader, LimitsAreInclusiveAndReaderAndParseAgree) {
  const bytes text(5000, 'a');
  const bytes stored = wire_of(text, compression::none, hex("aa bb"));
  const bytes inflated = wire_of(text, compression::zlib_default, {});
  const bytes bomb = wire_of(bytes(16 << 20, 0), compression::zlib_level_9, {});
  const size_t big = 1 << 30;
  const std::string too_long = "vexal message too long",
                    payload = "vexal payload too long";
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
      {bomb, {big, 1 << 20}, payload},
      {hex("01 03 07 00 00 00 00 00 02 03 00 00 00 00 00 00"),
       {},
       "Unknown vexal compression (raw)"},
  };
  const vexal before = make_message(hex("01"), compression::none, hex("02"),
                                    compression::none, format::bytes);
  for (const auto& row : rows) {
    vexal message = before;
    EXPECT_EQ(parse_result(message, row.data, 0, row.limits),
              row.error.empty() ? std::to_string(row.data.size()) : row.error);
    EXPECT_EQ(message.first() == before.first(), !row.error.empty());
  }
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
    EXPECT_THROW_MSG(reader.next(message), "vexal message too long");
    EXPECT_EQ(reader.buffered(), headers.size());
    reader.skip();
    EXPECT_EQ(reader.buffered(), 0u);
    // The rest of the message as far as known, then the next first header.
    EXPECT_EQ(reader.needed(), uint64_t{0xffffffff} + 24 - headers.size());
    const bytes mebibyte(1 << 20, 0);  // 4096 MiB - 1 in all
    for (int i = 0; i < 4095; ++i) reader.feed(mebibyte);
    reader.feed(mebibyte.data(), mebibyte.size() - 1);
    EXPECT_EQ(reader.buffered(), 0u);
    if (headers.size() == 8) reader.feed(hex("02 03 00 00 00 00 00 02 aa bb"));
    EXPECT_FALSE(reader.next(message));
    EXPECT_EQ(reader.needed(), 8u);
    vexal_reader moved(std::move(reader));
    reader = std::move(moved);
    // A large message, then a small one: the large buffer is given back.
    reader.feed(wire_of(bytes(2 << 20, 'b'), compression::none, {}));
    EXPECT_TRUE(reader.next(message));
    reader.feed(wire_of(hex("cc"), compression::none, {}));
    EXPECT_TRUE(reader.next(message));
    EXPECT_EQ(message.first().get_payload(), hex("cc"));
  }
}

}  // namespace
