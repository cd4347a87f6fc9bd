// SPDX-License-Identifier: MIT
// The measuring loop of the stream benchmarks: each iteration reads one
// whole stream of messages.
#ifndef VEXAL_BENCH_STREAM_MEASURE_HPP
#define VEXAL_BENCH_STREAM_MEASURE_HPP

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

namespace vexal_bench {

// Runs `op`, which reads a stream of `messages_per_stream` messages and
// returns how many it read, once per iteration; bytes per second count
// `payload_bytes` per message.
template <typename Op>
void measure_stream(benchmark::State& state, size_t messages_per_stream,
                    size_t payload_bytes, Op op) {
  size_t messages = 0;
  for (auto _ : state) messages += op();
  if (messages != state.iterations() * messages_per_stream) {
    state.SkipWithError("the stream did not yield all of its messages");
  }
  state.SetBytesProcessed(static_cast<int64_t>(messages * payload_bytes));
}

}  // namespace vexal_bench

#endif  // VEXAL_BENCH_STREAM_MEASURE_HPP
