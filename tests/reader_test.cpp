// SPDX-License-Identifier: MIT
// The stream reader and the bounded parse: limits at and just past their
// edge, refusals from the headers alone, the counters a caller reads between
// feeds, and the refuse-until-skip rule. fuzz/reader_fuzzer.cpp checks that
// the reader yields what the bounded parse yields, and the split test in
// robustness/ that it yields what the parse yields, fed in any pieces.
#include "vexal/reader.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
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

// One stream with every kind of refusal between good messages, read in
// pieces of several sizes, in every way: each way must see the same
// messages and refusals, and be at a boundary exactly between messages.
TEST(Reader, EveryWayOfReadingYieldsTheSameMessagesAndRefusals) {
  const vexal_limits limits{120000, 110000};
  const std::pair<bytes, std::string> pieces[] = {
      {wire_of(hex("a0"), compression::none, {}), "1"},
      {wire_of(noise(100000), compression::none, {}), "100000"},
      {hex("01 03 07 00 00 00 00 00 02 03 00 00 00 00 00 00"),
       "Unknown vexal compression (raw)"},
      {wire_of(noise(120000), compression::none, {}), "vexal message too long"},
      {wire_of({}, compression::none, noise(120000)), "vexal message too long"},
      {wire_of(bytes(110001, 0), compression::zlib_default, {}),
       "vexal payload too long"},
      {wire_of(hex("a2a2"), compression::none, {}), "2"}};
  bytes stream;
  std::set<size_t> boundaries = {0};
  std::vector<std::string> expected;
  for (const auto& [wire, outcome] : pieces) {
    stream = cat(stream, wire);
    boundaries.insert(stream.size());
    expected.push_back(outcome);
  }
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, stream.size()}) {
    // Feed or prepare + commit; try_next or next; way 3 with a reader
    // that was moved from after its first bytes.
    for (int way = 0; way < 4; ++way) {
      SCOPED_TRACE(std::to_string(chunk) + " " + std::to_string(way));
      vexal_reader reader(limits);
      reader.feed(stream.data(), 9);
      vexal_reader taken(std::move(reader));
      if (way < 3) reader = std::move(taken);
      size_t fed = way < 3 ? 9 : 0;
      vexal message;
      std::vector<std::string> seen;
      int wrong = 0;
      while (fed < stream.size()) {
        const size_t n = std::min(chunk, stream.size() - fed);
        if (way < 2) {
          reader.feed(stream.data() + fed, n);
        } else {
          std::memcpy(reader.prepare(n), stream.data() + fed, n);
          reader.commit(n);
        }
        fed += n;
        for (;;) {
          std::string error;
          vexal_reader::status status = vexal_reader::status::need_more;
          if (way % 2 == 0) {
            status = reader.try_next(message);
            error = reader.error();
          } else {
            try {
              if (reader.next(message)) status = vexal_reader::status::message;
            } catch (const std::runtime_error& e) {
              error = e.what();
            }
          }
          if (status == vexal_reader::status::need_more && error.empty()) break;
          seen.push_back(
              error.empty()
                  ? std::to_string(message.first().get_payload().size())
                  : error);
          if (!error.empty()) reader.skip();
        }
        // At a boundary exactly between messages, holding at most 64 KiB
        // there and at most a message and a piece anywhere.
        wrong += reader.at_boundary() != (boundaries.count(fed) == 1) ||
                 reader.capacity() > (reader.at_boundary()
                                          ? size_t{1} << 16
                                          : limits.max_message_size + n);
      }
      EXPECT_EQ(seen, expected);
      EXPECT_EQ(wrong, 0);
    }
  }
}

}  // namespace
