// SPDX-License-Identifier: MIT
// Benchmarks of whole vexal messages, each beside the limit of the same work
// measured in the same run: a plain vector copy of the message bytes for raw
// parts, and zlib's one-shot compress2 / uncompress of the same payloads at
// the same level, into one presized buffer, for compressed parts.
//
// Every message has two parts of the same size. Names read
// <operation>/<compression>/<payload kind>/<bytes per part>; bytes per second
// count the payload bytes of both parts, so an operation and its limit are
// directly comparable. The counter `allocs` is C++ heap allocations per
// operation. The peak_heap_ benchmarks report `peak_ratio`: the highest heap
// in use during one operation over the input plus the output it must hold.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "heap_counter.hpp"
#include "payloads.hpp"
#include "peer_bench.hpp"
#include "vexal/version.hpp"
#include "vexal/vexal.hpp"
#include "vexal/view.hpp"

namespace vexal_bench {
namespace {

using kelvo::vexal;
using compression = kelvo::vexal_part_payload::compression;

constexpr size_t kib = 1024;
constexpr size_t mib = 1024 * kib;
constexpr size_t part_sizes[] = {0, 16, 100, 4 * kib, 64 * kib, mib, 16 * mib};
constexpr payload_kind kinds[] = {payload_kind::text, payload_kind::random};
// The peak-heap benchmarks use one raw 64 MiB message.
constexpr size_t peak_part_size = 32 * mib;

struct codec_setting {
  const char* name;
  compression value;
  int zlib_level;
};

constexpr codec_setting codecs[] = {
    {"none", compression::none, Z_NO_COMPRESSION},
    {"zlib_best_speed", compression::zlib_best_speed, Z_BEST_SPEED},
    {"zlib_default", compression::zlib_default, Z_DEFAULT_COMPRESSION},
    {"zlib_best_compression", compression::zlib_best_compression,
     Z_BEST_COMPRESSION},
};

struct workload {
  const codec_setting* codec;
  payload_kind kind;
  size_t part_size;
};

// A message of two parts of `part_size` bytes each (distinct bytes).
vexal make_message(const codec_setting& codec, payload_kind kind,
                   size_t part_size) {
  kelvo::vexal_first_part first;
  first.set_payload(make_payload(kind, part_size, 1));
  first.set_compression(codec.value);
  kelvo::vexal_second_part second;
  second.set_payload(make_payload(kind, part_size, 2));
  second.set_compression(codec.value);
  return vexal(std::move(first), std::move(second));
}

// One message and its wire bytes, built once and shared by every benchmark
// of a workload, so that setup stays out of the runs.
struct fixture {
  vexal message;
  std::vector<uint8_t> wire;
};

const fixture& fixture_for(const workload& work) {
  static std::map<std::tuple<const codec_setting*, payload_kind, size_t>,
                  std::unique_ptr<fixture>>
      cache;
  auto& slot = cache[{work.codec, work.kind, work.part_size}];
  if (!slot) {
    slot = std::make_unique<fixture>();
    slot->message = make_message(*work.codec, work.kind, work.part_size);
    slot->wire = slot->message.compose();
  }
  return *slot;
}

// The stored bytes of the part whose header starts at `offset` of `wire`.
std::pair<const Bytef*, uLong> stored_bytes(const std::vector<uint8_t>& wire,
                                            size_t offset) {
  const uint8_t* length = wire.data() + offset + 4;
  const uLong size = uLong{length[0]} << 24 | uLong{length[1]} << 16 |
                     uLong{length[2]} << 8 | uLong{length[3]};
  return {wire.data() + offset + 8, size};
}

// Runs `op` once per iteration; records payload bytes per second and heap
// allocations per operation. `op` returns false when its work went wrong.
template <typename Op>
void measure(benchmark::State& state, const vexal& message, Op op) {
  const size_t bytes_per_op = message.first().get_payload().size() +
                              message.second().get_payload().size();
  bool ok = true;
  const uint64_t before = heap_now().allocations;
  for (auto _ : state) ok &= op();
  const uint64_t allocations = heap_now().allocations - before;
  if (!ok) state.SkipWithError("the operation did not produce its result");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes_per_op));
  state.counters["allocs"] = benchmark::Counter(
      static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void compose_fresh(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  measure(state, f.message, [&] {
    const std::vector<uint8_t> out = f.message.compose();
    benchmark::DoNotOptimize(out.data());
    return out.size() == f.wire.size();
  });
}

void compose_reused(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  std::vector<uint8_t> out;
  measure(state, f.message, [&] {
    out.clear();
    f.message.compose(out);
    benchmark::DoNotOptimize(out.data());
    return out.size() == f.wire.size();
  });
}

void parse_fresh(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  measure(state, f.message, [&] {
    vexal message;
    return message.parse(f.wire, 0) == f.wire.size();
  });
}

void parse_reused(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  vexal message;
  measure(state, f.message,
          [&] { return message.parse(f.wire, 0) == f.wire.size(); });
}

// A view of the message where it lies: nothing is copied or allocated.
void view_parse(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  kelvo::vexal_view view;
  measure(state, f.message, [&] {
    const size_t end = view.parse(f.wire.data(), f.wire.size(), 0);
    benchmark::DoNotOptimize(view);
    return end == f.wire.size();
  });
}

// A view, and both payloads inflated into vectors reused from run to run
// (filled once before, as when reused for real).
void view_payload_into(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  const size_t total = f.message.first().get_payload().size() +
                       f.message.second().get_payload().size();
  std::vector<uint8_t> first = f.message.first().get_payload();
  std::vector<uint8_t> second = f.message.second().get_payload();
  kelvo::vexal_view view;
  measure(state, f.message, [&] {
    const size_t end = view.parse(f.wire.data(), f.wire.size(), 0);
    view.first().payload_into(first);
    view.second().payload_into(second);
    benchmark::DoNotOptimize(first.data());
    benchmark::DoNotOptimize(second.data());
    return end == f.wire.size() && first.size() + second.size() == total;
  });
}

// Limit of raw work: one allocation and one memcpy of the message bytes.
void limit_copy(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  measure(state, f.message, [&] {
    const std::vector<uint8_t> copy(f.wire);
    benchmark::DoNotOptimize(copy.data());
    return copy.size() == f.wire.size();
  });
}

// Limit of compressed composing: compress2 of both payloads, one after the
// other, into one buffer presized to zlib's bound.
void limit_compress2(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  const std::vector<uint8_t>& first = f.message.first().get_payload();
  const std::vector<uint8_t>& second = f.message.second().get_payload();
  const uLong first_bound = compressBound(first.size());
  const uLong bound = first_bound + compressBound(second.size());
  const int level = work.codec->zlib_level;
  measure(state, f.message, [&] {
    const std::unique_ptr<Bytef[]> out(new Bytef[bound]);
    uLongf first_size = first_bound;
    const int first_code =
        compress2(out.get(), &first_size, first.data(), first.size(), level);
    uLongf second_size = bound - first_size;
    const int second_code = compress2(out.get() + first_size, &second_size,
                                      second.data(), second.size(), level);
    benchmark::DoNotOptimize(out.get());
    return first_code == Z_OK && second_code == Z_OK;
  });
}

// Limit of compressed parsing: uncompress of both stored streams into one
// buffer presized to the two payloads.
void limit_uncompress(benchmark::State& state, workload work) {
  const fixture& f = fixture_for(work);
  const size_t first_size = f.message.first().get_payload().size();
  const size_t total = first_size + f.message.second().get_payload().size();
  const auto first_in = stored_bytes(f.wire, 0);
  const auto second_in = stored_bytes(f.wire, 8 + first_in.second);
  measure(state, f.message, [&] {
    const std::unique_ptr<Bytef[]> out(new Bytef[total]);
    uLongf first_out = first_size;
    const int first_code =
        uncompress(out.get(), &first_out, first_in.first, first_in.second);
    uLongf second_out = total - first_size;
    const int second_code = uncompress(out.get() + first_size, &second_out,
                                       second_in.first, second_in.second);
    benchmark::DoNotOptimize(out.get());
    return first_code == Z_OK && second_code == Z_OK &&
           first_out + second_out == total;
  });
}

enum class peak_op { compose, compose_into, parse, parse_into };

// Peak heap of one operation on a raw 64 MiB message: the most heap in use at
// once, from before the input existed, over the input plus the output the
// operation must hold (the message's payloads and its wire bytes). A reused
// output vector or message was filled once before, as when reused for real.
void peak_heap(benchmark::State& state, peak_op op) {
  const size_t baseline = heap_now().live_bytes;
  vexal message = make_message(codecs[0], payload_kind::text, peak_part_size);
  std::vector<uint8_t> wire;
  vexal reused_message;
  std::vector<uint8_t> reused_out;
  if (op == peak_op::parse || op == peak_op::parse_into) {
    wire = message.compose();
    message = vexal();  // parsing holds only the wire bytes as input
    if (op == peak_op::parse_into) {
      static_cast<void>(reused_message.parse(wire, 0));  // warms its buffers
    }
  } else if (op == peak_op::compose_into) {
    message.compose(reused_out);
  }
  const double must_hold = 2.0 * peak_part_size + (2.0 * peak_part_size + 16);
  double worst = 0;
  for (auto _ : state) {
    reset_heap_peak();
    switch (op) {
      case peak_op::compose:
        benchmark::DoNotOptimize(message.compose().data());
        break;
      case peak_op::compose_into:
        reused_out.clear();
        message.compose(reused_out);
        break;
      case peak_op::parse:
        benchmark::DoNotOptimize(vexal().parse(wire, 0));
        break;
      case peak_op::parse_into:
        benchmark::DoNotOptimize(reused_message.parse(wire, 0));
        break;
    }
    worst =
        std::max(worst, static_cast<double>(heap_now().peak_bytes - baseline) /
                            must_hold);
  }
  state.counters["peak_ratio"] = worst;
}

void register_workload(const workload& work) {
  const std::string tail = std::string("/") + work.codec->name + "/" +
                           payload_kind_name(work.kind) + "/" +
                           std::to_string(work.part_size);
  using function = void (*)(benchmark::State&, workload);
  std::vector<std::pair<const char*, function>> runs = {
      {"compose", compose_fresh},
      {"compose_into", compose_reused},
      {"parse", parse_fresh},
      {"parse_into", parse_reused},
  };
  if (work.codec->value == compression::none) {
    runs.emplace_back("view_parse", view_parse);
    runs.emplace_back("limit_copy", limit_copy);
  } else {
    runs.emplace_back("view_payload_into", view_payload_into);
    runs.emplace_back("limit_compress2", limit_compress2);
    runs.emplace_back("limit_uncompress", limit_uncompress);
  }
  for (const auto& [name, run] : runs) {
    benchmark::RegisterBenchmark((name + tail).c_str(), run, work);
  }
}

void register_all() {
  for (const codec_setting& codec : codecs) {
    for (const payload_kind kind : kinds) {
      for (const size_t part_size : part_sizes) {
        register_workload({&codec, kind, part_size});
      }
    }
  }
#ifdef VEXAL_BENCH_FLATBUFFERS
  register_flatbuffers_benchmarks();
#endif
  const std::string tail = "/none/text/" + std::to_string(peak_part_size);
  for (const auto& [name, op] :
       {std::pair{"compose", peak_op::compose},
        std::pair{"compose_into", peak_op::compose_into},
        std::pair{"parse", peak_op::parse},
        std::pair{"parse_into", peak_op::parse_into}}) {
    benchmark::RegisterBenchmark(
        ("peak_heap_" + std::string(name) + tail).c_str(), peak_heap, op)
        ->Iterations(1)
        ->Repetitions(1);
  }
}

// Removes --warm_heap_mib=N from the arguments and returns N (0 if absent).
size_t take_warm_heap_flag(int& argc, char** argv) {
  const std::string prefix = "--warm_heap_mib=";
  size_t mebibytes = 0;
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind(prefix, 0) == 0) {
      mebibytes = std::stoul(argument.substr(prefix.size()));
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return mebibytes;
}

// Touches `mebibytes` MiB of heap in blocks below the mmap threshold, then
// frees them: the pages stay in the process for later allocations.
void warm_heap(size_t mebibytes) {
  constexpr size_t block_size = 64 * mib;
  std::vector<std::unique_ptr<uint8_t[]>> blocks;
  for (size_t i = 0; i < mebibytes * mib / block_size; ++i) {
    blocks.emplace_back(new uint8_t[block_size]);
    std::memset(blocks.back().get(), 0, block_size);
    benchmark::DoNotOptimize(blocks.back().get());
  }
  benchmark::ClobberMemory();
}

}  // namespace
}  // namespace vexal_bench

int main(int argc, char** argv) {
  // Keep freed memory in the process instead of returning it to the kernel,
  // and, with --warm_heap_mib=N, touch N MiB of heap once before any
  // benchmark runs. The first touch of a page costs about 12 us on the
  // virtual machines this runs on, far more than the work measured here;
  // without this it would land on whichever run first used a page.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  vexal_bench::warm_heap(vexal_bench::take_warm_heap_flag(argc, argv));
  benchmark::AddCustomContext("libvexal", kelvo::vexal_version::get_string());
  benchmark::AddCustomContext("zlib", zlibVersion());
#ifdef __clang__
  benchmark::AddCustomContext("compiler", "clang " __clang_version__);
#else
  benchmark::AddCustomContext("compiler", "g++ " __VERSION__);
#endif
  vexal_bench::register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
