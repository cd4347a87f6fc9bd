// SPDX-License-Identifier: MIT
// A socket reader's view of a stream of messages: the bytes arrive in pieces,
// the reader parses all it can, appends the next piece and parses again,
// reusing one message object. Cut anywhere, the stream must yield exactly the
// messages and offsets that parsing it whole yields, and a parse on short
// input must neither move the offset nor change the message.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sample_messages.hpp"

namespace {

using kelvo::vexal;
using vexal_test::bytes;

// Each message read and the offset just past it.
using reads = std::vector<std::pair<vexal, size_t>>;

// Parses every whole message in `buffer` from `offset` on into `reader`;
// returns the offset at which the bytes ran short.
size_t drain(const bytes& buffer, size_t offset, vexal& reader, reads& seen) {
  for (;;) {
    const vexal before = reader;
    const size_t next = reader.parse(buffer, offset);
    if (next == offset) {
      EXPECT_TRUE(reader == before) << "short input changed the message";
      return offset;
    }
    seen.emplace_back(reader, next);
    offset = next;
  }
}

// Feeds `stream` in pieces that end at each of `cuts`, then the rest.
reads read_in_pieces(const bytes& stream, const std::vector<size_t>& cuts) {
  bytes buffer;
  vexal reader;
  reads seen;
  size_t offset = 0;
  for (size_t cut : cuts) {
    buffer.assign(stream.begin(),
                  stream.begin() + static_cast<std::ptrdiff_t>(cut));
    offset = drain(buffer, offset, reader, seen);
  }
  EXPECT_EQ(drain(stream, offset, reader, seen), stream.size());
  return seen;
}

void expect_same_reads(const reads& actual, const reads& expected,
                       const std::string& how) {
  ASSERT_EQ(actual.size(), expected.size()) << how;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(actual[i].first == expected[i].first)
        << how << ", message " << i;
    EXPECT_EQ(actual[i].second, expected[i].second) << how << ", message " << i;
  }
}

TEST(StreamSplit, EveryCutYieldsTheMessagesOfTheWholeStream) {
  const std::vector<vexal> messages = vexal_test::sample_messages();
  bytes stream;
  reads whole;
  for (const vexal& message : messages) {
    message.compose(stream);
    whole.emplace_back(message, stream.size());
  }
  expect_same_reads(read_in_pieces(stream, {}), whole, "whole stream");

  std::vector<size_t> every_byte;
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    expect_same_reads(read_in_pieces(stream, {cut}), whole,
                      "cut at " + std::to_string(cut));
    every_byte.push_back(cut);
  }
  expect_same_reads(read_in_pieces(stream, every_byte), whole, "byte by byte");
}

}  // namespace
