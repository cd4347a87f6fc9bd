// SPDX-License-Identifier: MIT
// The stream reader and the bounded parse: limits at and just past their
// edge, refusals from the headers alone, the counters a caller reads between
// feeds, and the refuse-until-skip rule. fuzz/reader_fuzzer.cpp checks that
// the reader yields what the bounded parse yields, and the split test in
// robustness/ that it yields what the parse yields, fed in any pieces.
#include "vexal/reader.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
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
  const bytes second_stored = wire_of(hex("03"), compression::none, text);
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
      {second_stored, {big, 5000}, ""},
      {second_stored, {big, 4999}, payload},
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

// A reader that holds nothing, new or moved from, answers every query as an
// empty one; a commit over the room prepared (a read's -1 among them)
// changes nothing, and one within it is the bytes committed.
TEST(Reader, AReaderThatHoldsNothingAnswersAsAnEmptyOne) {
  using status = vexal_reader::status;
  const bytes wire = wire_of(hex("aa"), compression::none, {});
  const vexal_limits limits{100, 10};
  const auto fed = [&] {
    vexal_reader reader(limits);
    reader.feed(wire.data(), 5);
    return reader;
  };
  const struct {
    const char* name;
    std::function<void(vexal_reader&)> make;
    size_t prepare, commit;
  } rows[] = {
      {"new", [](vexal_reader&) {}, 0, 0},
      {"moved from",
       [&](vexal_reader& r) {
         r.feed(wire.data(), 5);
         vexal_reader taker(std::move(r));
       },
       0, 0},
      {"moved from by assignment",
       [&](vexal_reader& r) {
         r = fed();
         vexal_reader taker;
         taker = std::move(r);
       },
       0, 0},
      {"moved from after a refusal",
       [&](vexal_reader& r) {
         r.feed(hex("01 03 09 00 00 00 00 00"));
         vexal refused;
         EXPECT_EQ(r.try_next(refused), status::malformed);
         vexal_reader taker(std::move(r));
       },
       0, 0},
      {"a read's -1 committed", [](vexal_reader&) {}, 4, size_t(-1)},
      {"a commit over the room", [](vexal_reader& r) { r.prepare(100); }, 4, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    vexal_reader reader(limits);
    row.make(reader);
    if (row.prepare > 0) {
      std::memcpy(reader.prepare(row.prepare), wire.data(), row.prepare);
      EXPECT_FALSE(reader.commit(row.commit));
    } else {
      EXPECT_EQ(reader.capacity(), 0u);
      EXPECT_FALSE(reader.commit(1));
    }
    EXPECT_EQ(reader.buffered(), 0u);
    EXPECT_EQ(reader.needed(), vexal_part_header_size);
    EXPECT_TRUE(reader.at_boundary());
    EXPECT_EQ(reader.offset(), 0u);
    EXPECT_EQ(reader.next_size(), 0u);
    EXPECT_FALSE(reader.skipping());
    EXPECT_TRUE(reader.error().empty() && !reader.error_code());
    EXPECT_FALSE(reader.failure());
    EXPECT_EQ(reader.error_offset(), 0u);
    size_t used = 99;
    vexal_view view;
    EXPECT_EQ(reader.try_read(nullptr, 0, used, view), status::need_more);
    EXPECT_EQ(used, 0u);
    vexal message;
    EXPECT_EQ(reader.try_next(message), status::need_more);
    reader.skip();
    // It reads on as a new reader does, with its limits.
    EXPECT_EQ(reader.try_read(wire.data(), wire.size(), used, view),
              status::message);
    EXPECT_TRUE(used == wire.size() && view.size() == wire.size());
    EXPECT_EQ(reader.wire().offset, 0u);
    reader.feed(wire_of(noise(11), compression::none, {}));
    EXPECT_EQ(reader.try_next(message), status::payload_too_long);
  }
}

// One stream with every kind of refusal between good messages, read in
// pieces of several sizes, in every way: each way must see the same
// messages and refusals, with the same codes and positions, however the
// stream is cut, and be at a boundary exactly between messages.
TEST(Reader, EveryWayOfReadingYieldsTheSameMessagesAndRefusals) {
  using status = vexal_reader::status;
  const vexal_limits limits{70000, 66000};
  const struct {
    bytes wire;
    std::string outcome;  // the first payload's size, or the refusal
    int at;               // the field at fault, from the message's start
  } pieces[] = {
      {wire_of(hex("a0"), compression::none, {}), "1", -1},
      {wire_of(noise(66000), compression::none, {}), "66000", -1},
      {hex("01 03 07 00 00 00 00 00 02 03 00 00 00 00 00 00"),
       "Unknown vexal compression (raw)", 2},
      // Garbage that announces a long part is refused from its header.
      {cat(wire_part(9, 3, 0, bytes(60000, 'g')), wire_part(2, 3, 0, {})),
       "Unknown vexal type (raw)", 0},
      {wire_of(noise(70000), compression::none, {}), "vexal message too long",
       4},
      {wire_of({}, compression::none, noise(70000)), "vexal message too long",
       12},
      {wire_of(noise(66001), compression::none, {}), "vexal payload too long",
       4},
      {wire_of(bytes(66001, 0), compression::zlib_default, {}),
       "vexal payload too long", 8},
      {cat(wire_part(1, 3, 0, {}), wire_part(2, 3, 1, hex("78 9c ff ff"))),
       "Failed zlib::inflate [-3]: invalid block type", 16},
      {wire_of(hex("a2a2"), compression::none, {}), "2", -1}};
  bytes stream;
  std::set<size_t> boundaries = {0};
  std::vector<std::string> expected;
  for (const auto& piece : pieces) {
    expected.push_back(
        piece.outcome +
        (piece.at < 0 ? ""
                      : " at " + std::to_string(stream.size() + piece.at)));
    stream = cat(stream, piece.wire);
    boundaries.insert(stream.size());
  }
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, stream.size()}) {
    // Feed or prepare + commit; try_next or next; way 3 with a reader
    // that was moved from after its first bytes; way 4 into a view, whose
    // to_message inflates (and refuses) as the parse would.
    for (int way = 0; way < 5; ++way) {
      SCOPED_TRACE(std::to_string(chunk) + " " + std::to_string(way));
      vexal_reader reader(limits);
      reader.feed(stream.data(), 9);
      vexal_reader taken(std::move(reader));
      if (way != 3) reader = std::move(taken);
      size_t fed = way != 3 ? 9 : 0;
      vexal message;
      vexal_view view;
      std::vector<std::string> seen;
      int wrong = 0;
      while (fed < stream.size()) {
        const size_t n = std::min(chunk, stream.size() - fed);
        const size_t needed = reader.needed();
        if (way < 2) {
          reader.feed(stream.data() + fed, n);
        } else {
          std::memcpy(reader.prepare(n), stream.data() + fed, n);
          reader.commit(n);
        }
        // One byte less is needed, unless that byte was the last needed.
        wrong += n == 1 && needed > 1 && reader.needed() != needed - 1;
        fed += n;
        for (;;) {
          std::string error;
          std::error_code code;
          uint64_t at = 0;
          // A view's message is consumed before it inflates: no skip then;
          // its payload's refusal lies at the stored bytes that fail.
          bool taken = false;
          try {
            taken = way % 2 == 1 ? reader.next(message)
                    : way == 4   ? reader.try_next(view) == status::message
                                 : reader.try_next(message) == status::message;
            if (taken && way == 4) {
              bytes payload;
              const vexal_part_view* part = &view.first();
              part->payload_into(payload, limits, code);
              if (!code) part = &view.second();
              part->payload_into(payload, limits, code);
              at = reader.wire().offset + 8 +
                   static_cast<uint64_t>(part->stored_data() -
                                         view.first().stored_data());
              message = view.to_message(limits);
            }
            if (taken) {
              seen.push_back(
                  std::to_string(message.first().get_payload().size()));
              continue;
            }
            error = reader.error();
          } catch (const std::runtime_error& e) {
            error = e.what();
          }
          if (error.empty()) break;
          if (!taken) {
            code = reader.error_code();
            at = reader.error_offset();
          }
          // The code names the text (zlib's carries numbers and words too).
          wrong += code.message() != error.substr(0, code.message().size());
          seen.push_back(error + " at " + std::to_string(at));
          if (!taken) reader.skip();
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
