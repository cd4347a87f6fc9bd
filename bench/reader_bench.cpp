// SPDX-License-Identifier: MIT
// Benchmarks of the stream reader, each beside a baseline measured in the
// same run, over a stream of messages with two 2 KiB text parts (4 KiB of
// payload per message), the first stored as is or compressed:
//
// - stream_parse: the unlimited parse over the stream in one vector, message
//   after message (the baseline);
// - stream_next: the whole stream fed to a reader in one piece, then `next`
//   until it returns false;
// - stream_bytes: the stream fed one byte at a time, `next` after each byte.
//
// Bytes per second count the payload bytes. bench/report divides
// stream_next by stream_parse and stream_bytes by stream_next.
//
// bomb_peak reads a 64 KiB compressed part that inflates to 64 MiB with
// max_payload_size = 1 MiB and reports `peak_bytes`: the most heap in use at
// once while the reader is made, fed and refuses the message, beyond the
// input bytes themselves.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "heap_counter.hpp"
#include "payloads.hpp"
#include "stream_measure.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.hpp"

namespace vexal_bench {
namespace {

using kelvo::vexal;
using kelvo::vexal_reader;
using compression = kelvo::vexal_part_payload::compression;

constexpr size_t part_size = 2048;
constexpr size_t messages_per_stream = 64;

struct stream_setting {
  const char* name;
  compression first;
};

constexpr stream_setting settings[] = {
    {"none", compression::none}, {"zlib_default", compression::zlib_default}};

// Distinct messages back to back, in one vector.
std::vector<uint8_t> make_stream(compression first) {
  std::vector<uint8_t> stream;
  for (size_t i = 0; i < messages_per_stream; ++i) {
    vexal message;
    message.first().set_payload(
        make_payload(payload_kind::text, part_size, 2 * i));
    message.first().set_compression(first);
    message.second().set_payload(
        make_payload(payload_kind::text, part_size, 2 * i + 1));
    message.compose(stream);
  }
  return stream;
}

template <typename Op>
void measure(benchmark::State& state, Op op) {
  measure_stream(state, messages_per_stream, 2 * part_size, op);
}

void stream_parse(benchmark::State& state, compression first) {
  const std::vector<uint8_t> stream = make_stream(first);
  vexal message;
  measure(state, [&] {
    size_t count = 0;
    for (size_t at = 0, next; (next = message.parse(stream, at)) != at;
         at = next) {
      ++count;
    }
    return count;
  });
}

size_t drain(vexal_reader& reader, vexal& message) {
  size_t count = 0;
  while (reader.next(message)) ++count;
  return count;
}

void stream_next(benchmark::State& state, compression first) {
  const std::vector<uint8_t> stream = make_stream(first);
  vexal_reader reader;
  vexal message;
  measure(state, [&] {
    reader.feed(stream);
    return drain(reader, message);
  });
}

void stream_bytes(benchmark::State& state, compression first) {
  const std::vector<uint8_t> stream = make_stream(first);
  vexal_reader reader;
  vexal message;
  measure(state, [&] {
    size_t count = 0;
    for (const uint8_t& byte : stream) {
      reader.feed(&byte, 1);
      count += drain(reader, message);
    }
    return count;
  });
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
    try {
      reader.next(message);
      state.SkipWithError("the bomb was not refused");
    } catch (const std::runtime_error& error) {
      if (std::string(error.what()) != "vexal payload too long") {
        state.SkipWithError(error.what());
      }
    }
    worst = std::max(worst, heap_now().peak_bytes - before);
  }
  state.counters["peak_bytes"] = static_cast<double>(worst);
  state.counters["input_bytes"] = static_cast<double>(input.size());
}

const bool registered = [] {
  for (const stream_setting& setting : settings) {
    const std::string tail =
        std::string("/") + setting.name + "/text/" + std::to_string(part_size);
    benchmark::RegisterBenchmark(("stream_parse" + tail).c_str(), stream_parse,
                                 setting.first);
    benchmark::RegisterBenchmark(("stream_next" + tail).c_str(), stream_next,
                                 setting.first);
    benchmark::RegisterBenchmark(("stream_bytes" + tail).c_str(), stream_bytes,
                                 setting.first);
  }
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
