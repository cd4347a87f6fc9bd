// SPDX-License-Identifier: MIT
// Parsing large raw parts with glibc's allocator as a program finds it. Unlike
// vexal_bench, this binary sets no mallopt and warms no heap: glibc serves
// each 1 MiB buffer with mmap and gives it back to the kernel when it is
// freed, so every fresh buffer pays for its pages again. A message parsed
// into a fresh `vexal` is measured beside one parsed into a reused `vexal`,
// and beside the same payloads copied into two fresh std::vectors, which pay
// that cost alike.
//
// Names follow vexal_bench (<operation>/<compression>/<payload kind>/<bytes
// per part>), so that bench/report reads both.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payloads.hpp"
#include "vexal/vexal.hpp"

namespace {

constexpr size_t part_size = size_t{1} << 20;

// The wire bytes of one message of two raw text parts of `part_size` bytes.
const std::vector<uint8_t>& wire() {
  static const std::vector<uint8_t> bytes =
      kelvo::vexal(kelvo::vexal_first_part(vexal_bench::make_payload(
                       vexal_bench::payload_kind::text, part_size, 1)),
                   kelvo::vexal_second_part(vexal_bench::make_payload(
                       vexal_bench::payload_kind::text, part_size, 2)))
          .compose();
  return bytes;
}

void set_bytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(part_size));
}

void parse_fresh(benchmark::State& state) {
  for (auto _ : state) {
    kelvo::vexal message;
    benchmark::DoNotOptimize(message.parse(wire(), 0));
    benchmark::DoNotOptimize(message.second().get_payload().data());
  }
  set_bytes(state);
}

void parse_reused(benchmark::State& state) {
  kelvo::vexal message;
  for (auto _ : state) {
    benchmark::DoNotOptimize(message.parse(wire(), 0));
    benchmark::DoNotOptimize(message.second().get_payload().data());
  }
  set_bytes(state);
}

// The payloads as a parse by hand would take them: two fresh vectors.
void two_vectors(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = wire();
  const auto first = bytes.begin() + kelvo::vexal_part_header_size;
  const auto second = first + part_size + kelvo::vexal_part_header_size;
  for (auto _ : state) {
    std::vector<uint8_t> a(first, first + part_size);
    std::vector<uint8_t> b(second, second + part_size);
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
  }
  set_bytes(state);
}

// Every name ends in the one workload: raw text parts of `part_size` bytes.
const std::string workload = "/none/text/" + std::to_string(part_size);

}  // namespace

BENCHMARK(parse_fresh)->Name("malloc_parse" + workload);
BENCHMARK(parse_reused)->Name("malloc_parse_into" + workload);
BENCHMARK(two_vectors)->Name("malloc_vectors" + workload);

BENCHMARK_MAIN();
