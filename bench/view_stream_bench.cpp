// SPDX-License-Identifier: MIT
// A server's read loop with message views, beside the parse over one buffer:
// a stream of 1000 messages, each with two raw 4 KiB text parts.
//
// - stream_view: the stream passed to a reader in 64 KiB pieces with
//   prepare/commit (as a socket read into the reader would), taking every
//   whole message with try_next into a view; each byte is copied once, into
//   the reader;
// - stream_next_into: the same reading with try_next into one reused
//   message, which copies each payload a second time, out of the reader;
// - stream_parse_into: `vexal::parse` of the stream held in one vector into
//   one reused message, message after message (the baseline).
//
// Bytes per second count the payload bytes. bench/report divides
// stream_view by stream_parse_into and by stream_next_into.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "payloads.hpp"
#include "stream_measure.hpp"
#include "vexal/reader.hpp"
#include "vexal/view.hpp"

namespace vexal_bench {
namespace {

constexpr size_t view_part_size = 4096;
constexpr size_t view_messages = 1000;
constexpr size_t piece_size = size_t{64} << 10;

const std::vector<uint8_t>& raw_stream() {
  static const std::vector<uint8_t> stream = [] {
    std::vector<uint8_t> out;
    for (uint64_t i = 0; i < view_messages; ++i) {
      kelvo::vexal(kelvo::vexal_first_part(
                       make_payload(payload_kind::text, view_part_size, 2 * i)),
                   kelvo::vexal_second_part(make_payload(
                       payload_kind::text, view_part_size, 2 * i + 1)))
          .compose(out);
    }
    return out;
  }();
  return stream;
}

// Passes the stream to `reader` in pieces and takes every whole message
// into `target` (a view or a message); returns the messages taken.
template <typename Target>
size_t read_pieces(const std::vector<uint8_t>& stream,
                   kelvo::vexal_reader& reader, Target& target) {
  size_t count = 0;
  for (size_t at = 0; at < stream.size(); at += piece_size) {
    const size_t n = std::min(piece_size, stream.size() - at);
    std::memcpy(reader.prepare(n), stream.data() + at, n);
    reader.commit(n);
    while (reader.try_next(target) == kelvo::vexal_reader::status::message) {
      benchmark::DoNotOptimize(&target);
      ++count;
    }
  }
  return count;
}

template <typename Target>
void stream_reader(benchmark::State& state) {
  const std::vector<uint8_t>& stream = raw_stream();
  kelvo::vexal_reader reader;
  Target target;
  measure_stream(state, view_messages, 2 * view_part_size,
                 [&] { return read_pieces(stream, reader, target); });
}

void stream_parse_into(benchmark::State& state) {
  const std::vector<uint8_t>& stream = raw_stream();
  kelvo::vexal message;
  measure_stream(state, view_messages, 2 * view_part_size, [&] {
    size_t count = 0;
    for (size_t at = 0, next; (next = message.parse(stream, at)) != at;
         at = next) {
      ++count;
    }
    return count;
  });
}

const bool registered = [] {
  const std::string tail = "/none/text/" + std::to_string(view_part_size);
  benchmark::RegisterBenchmark(("stream_view" + tail).c_str(),
                               stream_reader<kelvo::vexal_view>);
  benchmark::RegisterBenchmark(("stream_next_into" + tail).c_str(),
                               stream_reader<kelvo::vexal>);
  benchmark::RegisterBenchmark(("stream_parse_into" + tail).c_str(),
                               stream_parse_into);
  return true;
}();

}  // namespace
}  // namespace vexal_bench
