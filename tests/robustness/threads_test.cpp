// SPDX-License-Identifier: MIT
// Concurrent use of distinct objects, which the library allows: several
// threads parse one shared input vector into their own messages, also
// through their own readers, and compose one shared const message (a raw and
// a compressed part), all at once.
// Under ThreadSanitizer (preset tsan) this exposes any hidden shared state.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "test_support.hpp"
#include "vexal/reader.hpp"

namespace {

using kelvo::vexal;
using vexal_test::bytes;

TEST(Threads, ParseASharedStreamAndComposeASharedMessageAtOnce) {
  constexpr int thread_count = 4;
  const std::vector<vexal> messages = vexal_test::sample_messages();
  bytes stream;
  for (const vexal& message : messages) message.compose(stream);
  const bytes shared_wire = messages[2].compose();

  std::vector<int> failures(thread_count, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < thread_count; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 8; ++round) {
        vexal reader;
        size_t offset = 0;
        for (const vexal& expected : messages) {
          const size_t next = reader.parse(stream, offset);
          failures[t] += next == offset || reader != expected;
          offset = next;
        }
        kelvo::vexal_reader stream_reader;
        stream_reader.feed(stream);
        for (const vexal& expected : messages) {
          failures[t] += !stream_reader.next(reader) || reader != expected;
        }
        failures[t] += messages[2].compose() != shared_wire;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(thread_count, 0));
}

}  // namespace
