// SPDX-License-Identifier: MIT
// A socket reader's view of a stream of messages: the bytes arrive in pieces,
// the reader parses all it can, appends the next piece and parses again,
// reusing one message object (reader_test.cpp reads in pieces with a
// vexal_reader). Cut anywhere, the stream must yield exactly the messages and
// offsets that parsing it whole yields, and a parse on short input must
// neither move the offset nor change the message.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "test_support.hpp"

namespace {

using kelvo::vexal;
using vexal_test::bytes;

// Each message read and the offset just past it.
using reads = std::vector<std::pair<vexal, size_t>>;

// Feeds `stream` in pieces that end at each of `cuts`, then the rest, parsing
// every whole message after each piece.
reads read_in_pieces(const bytes& stream, std::vector<size_t> cuts) {
  cuts.push_back(stream.size());
  vexal reader;
  reads seen;
  size_t offset = 0;
  for (size_t cut : cuts) {
    const bytes buffer(stream.begin(), stream.begin() + cut);
    for (size_t next; (next = reader.parse(buffer, offset)) != offset;) {
      seen.emplace_back(reader, next);
      offset = next;
    }
    EXPECT_TRUE(reader == (seen.empty() ? vexal() : seen.back().first))
        << "short input changed the message";
  }
  EXPECT_EQ(offset, stream.size());
  return seen;
}

TEST(StreamSplit, EveryCutYieldsTheMessagesOfTheWholeStream) {
  bytes stream;
  reads whole;
  for (const vexal& message : vexal_test::sample_messages()) {
    message.compose(stream);
    whole.emplace_back(message, stream.size());
  }
  std::vector<size_t> every_byte;
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    EXPECT_TRUE(read_in_pieces(stream, {cut}) == whole) << "cut at " << cut;
    every_byte.push_back(cut);
  }
  EXPECT_TRUE(read_in_pieces(stream, every_byte) == whole) << "byte by byte";
}

}  // namespace
