// SPDX-License-Identifier: MIT
// Benchmarks of the stream reader, each beside a baseline measured in the
// same run, over a stream of 1000 messages of two text parts of the same
// size, both stored as is or both compressed:
//
// - stream_parse: the baseline, what any reader pays: one `memcpy` of the
//   stream in 64 KiB pieces (the socket's read), and the parse of each
//   message from the stream in one vector into a reused message;
// - stream_read: 64 KiB reads into the room `prepare` gives (a `memcpy`
//   stands in for the read), `commit`, then `try_next` into a reused
//   message until it needs more;
// - stream_view: the same reads, with `try_next` into a message view (raw
//   parts only): each byte is copied once, into the reader;
// - stream_bytes: the stream fed one byte at a time, `next` after each byte;
// - stream_refuse: the reads of stream_read over a stream of the same size
//   whose every message has an unknown type code, each refused by
//   `try_next` and dropped by `skip`: a refusal should cost what a message
//   costs.
//
// Bytes per second count the payload bytes. bench/report divides
// stream_read and stream_view by stream_parse, stream_view by stream_read,
// and stream_bytes by stream_read.
//
// read_peak reads one 60 MiB raw message through prepare/commit in 64 KiB
// reads and reports `peak_ratio`, the most heap in use at once over the
// message's size, and `capacity_after`, the reader's capacity once the
// message is consumed. bomb_peak reads a 64 KiB compressed part that
// inflates to 64 MiB with max_payload_size = 1 MiB and reports `peak_bytes`:
// the most heap in use at once while the reader is made, fed and refuses the
// message, beyond the input bytes themselves. garbage_header gives the reader
// one 64 KiB read's room and then the 8 bytes of a header with an unknown
// type code that announces 60 MiB, and reports `capacity_after`, the
// reader's capacity once `try_next` has refused it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "heap_counter.hpp"
#include "payloads.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.hpp"
#include "vexal/view.hpp"

namespace vexal_bench {
namespace {

using kelvo::vexal;
using kelvo::vexal_reader;
using compression = kelvo::vexal_part_payload::compression;
using status = vexal_reader::status;

constexpr size_t messages_per_stream = 1000;
constexpr size_t read_size = size_t{64} << 10;

struct stream_setting {
  compression parts;
  size_t part_size;
};

constexpr stream_setting settings[] = {{compression::none, 16},
                                       {compression::none, 4096},
                                       {compression::none, 65536},
                                       {compression::zlib_default, 4096}};

// Distinct messages back to back, in one vector.
std::vector<uint8_t> make_stream(stream_setting setting) {
  std::vector<uint8_t> stream;
  for (size_t i = 0; i < messages_per_stream; ++i) {
    vexal message;
    message.first().set_payload(
        make_payload(payload_kind::text, setting.part_size, 2 * i));
    message.second().set_payload(
        make_payload(payload_kind::text, setting.part_size, 2 * i + 1));
    message.first().set_compression(setting.parts);
    message.second().set_compression(setting.parts);
    message.compose(stream);
  }
  return stream;
}

template <typename Op>
void measure(benchmark::State& state, stream_setting setting, Op op) {
  size_t messages = 0;
  for (auto _ : state) messages += op();
  if (messages != state.iterations() * messages_per_stream) {
    state.SkipWithError("the stream did not yield all of its messages");
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(messages * 2 * setting.part_size));
}

// Copies `stream` in pieces of at most `read_size` bytes into the room that
// `room(size)` returns, calling `took(size)` after each piece.
template <typename Room, typename Took>
void read_in_pieces(const std::vector<uint8_t>& stream, Room room, Took took) {
  for (size_t at = 0; at < stream.size(); at += read_size) {
    const size_t size = std::min(read_size, stream.size() - at);
    std::memcpy(room(size), stream.data() + at, size);
    took(size);
  }
}

void stream_parse(benchmark::State& state, stream_setting setting) {
  const std::vector<uint8_t> stream = make_stream(setting);
  std::vector<uint8_t> scratch(read_size);
  vexal message;
  measure(state, setting, [&] {
    read_in_pieces(
        stream, [&](size_t) { return scratch.data(); },
        [&](size_t) { benchmark::ClobberMemory(); });
    size_t count = 0;
    for (size_t at = 0, next; (next = message.parse(stream, at)) != at;
         at = next) {
      ++count;
    }
    return count;
  });
}

// Every message of `stream` with an unknown type code in its first header.
std::vector<uint8_t> make_garbage(std::vector<uint8_t> stream,
                                  stream_setting setting) {
  constexpr uint8_t unknown_type_code = 9;
  for (size_t at = 0; at < stream.size();
       at += 2 * (kelvo::vexal_part_header_size + setting.part_size)) {
    stream[at + kelvo::vexal_part_type_offset] = unknown_type_code;
  }
  return stream;
}

// `Target` is a reused message (stream_read, stream_refuse) or a view
// (stream_view). Every outcome but need_more counts; a refusal is skipped.
template <typename Target, bool garbage = false>
void stream_read(benchmark::State& state, stream_setting setting) {
  const std::vector<uint8_t> stream =
      garbage ? make_garbage(make_stream(setting), setting)
              : make_stream(setting);
  vexal_reader reader;
  Target target;
  measure(state, setting, [&] {
    size_t count = 0;
    read_in_pieces(
        stream, [&](size_t size) { return reader.prepare(size); },
        [&](size_t size) {
          reader.commit(size);
          for (status got; (got = reader.try_next(target)) != status::need_more;
               ++count) {
            if (got != status::message) reader.skip();
          }
        });
    return count;
  });
}

void garbage_header(benchmark::State& state) {
  const uint8_t header[kelvo::vexal_part_header_size] = {9,    3,    0, 0,
                                                         0x03, 0xc0, 0, 0};
  size_t capacity_after = 0;
  for (auto _ : state) {
    vexal_reader reader;
    vexal message;
    std::memcpy(reader.prepare(read_size), header, sizeof header);
    reader.commit(sizeof header);
    if (reader.try_next(message) != status::malformed) {
      state.SkipWithError("the header was not refused");
    }
    capacity_after = std::max(capacity_after, reader.capacity());
  }
  state.counters["capacity_after"] = static_cast<double>(capacity_after);
}

void stream_bytes(benchmark::State& state, stream_setting setting) {
  const std::vector<uint8_t> stream = make_stream(setting);
  vexal_reader reader;
  vexal message;
  measure(state, setting, [&] {
    size_t count = 0;
    for (const uint8_t& byte : stream) {
      reader.feed(&byte, 1);
      while (reader.next(message)) ++count;
    }
    return count;
  });
}

constexpr size_t peak_part = size_t{30} << 20;

void read_peak(benchmark::State& state) {
  vexal large;
  large.first().set_payload(make_payload(payload_kind::text, peak_part, 0));
  large.second().set_payload(make_payload(payload_kind::text, peak_part, 1));
  const std::vector<uint8_t> input = large.compose();
  large = vexal();
  double worst = 0;
  size_t capacity_after = 0;
  for (auto _ : state) {
    const size_t before = heap_now().live_bytes;
    reset_heap_peak();
    vexal_reader reader;
    vexal message;
    read_in_pieces(
        input, [&](size_t size) { return reader.prepare(size); },
        [&](size_t size) { reader.commit(size); });
    if (reader.try_next(message) != status::message) {
      state.SkipWithError("the message was not read");
    }
    capacity_after = std::max(capacity_after, reader.capacity());
    worst = std::max(
        worst, double(heap_now().peak_bytes - before) / double(input.size()));
  }
  state.counters["peak_ratio"] = worst;
  state.counters["capacity_after"] = static_cast<double>(capacity_after);
}

constexpr size_t bomb_payload = size_t{64} << 20;
constexpr size_t bomb_limit = size_t{1} << 20;

void bomb_peak(benchmark::State& state) {
  vexal bomb;
  bomb.first().set_payload(std::vector<uint8_t>(bomb_payload, 0));
  bomb.first().set_compression(compression::zlib_best_compression);
  const std::vector<uint8_t> input = bomb.compose();
  bomb = vexal();
  size_t worst = 0;
  for (auto _ : state) {
    const size_t before = heap_now().live_bytes;
    reset_heap_peak();
    vexal_reader reader({kelvo::vexal_limits::default_size, bomb_limit});
    reader.feed(input);
    vexal message;
    if (reader.try_next(message) != status::payload_too_long) {
      state.SkipWithError("the bomb was not refused");
    }
    worst = std::max(worst, heap_now().peak_bytes - before);
  }
  state.counters["peak_bytes"] = static_cast<double>(worst);
  state.counters["input_bytes"] = static_cast<double>(input.size());
}

std::string name(const char* operation, stream_setting setting) {
  return std::string(operation) +
         (setting.parts == compression::none ? "/none" : "/zlib_default") +
         "/text/" + std::to_string(setting.part_size);
}

const bool registered = [] {
  for (const stream_setting& setting : settings) {
    benchmark::RegisterBenchmark(name("stream_parse", setting).c_str(),
                                 stream_parse, setting);
    benchmark::RegisterBenchmark(name("stream_read", setting).c_str(),
                                 stream_read<vexal>, setting);
    if (setting.parts == compression::none) {
      benchmark::RegisterBenchmark(name("stream_view", setting).c_str(),
                                   stream_read<kelvo::vexal_view>, setting);
    }
  }
  benchmark::RegisterBenchmark(name("stream_refuse", settings[0]).c_str(),
                               stream_read<vexal, true>, settings[0]);
  benchmark::RegisterBenchmark(name("stream_bytes", settings[3]).c_str(),
                               stream_bytes, settings[3]);
  benchmark::RegisterBenchmark("garbage_header/none/text/62914560",
                               garbage_header)
      ->Iterations(1)
      ->Repetitions(1);
  benchmark::RegisterBenchmark(
      ("read_peak/none/text/" + std::to_string(peak_part)).c_str(), read_peak)
      ->Iterations(1)
      ->Repetitions(1);
  benchmark::RegisterBenchmark(
      ("bomb_peak/zlib_best_compression/zeros/" + std::to_string(bomb_payload))
          .c_str(),
      bomb_peak)
      ->Iterations(1)
      ->Repetitions(1);
  return true;
}();

}  // namespace
}  // namespace vexal_bench
