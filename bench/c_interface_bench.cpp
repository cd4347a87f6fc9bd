// SPDX-License-Identifier: MIT
// Benchmarks of the C interface (vexal/vexal.h), each beside its C++
// counterpart or baseline in the same run:
//
// - c_parse against cpp_parse: `vexal_parse` and `vexal_view::parse` (the
//   form that reports an error code) of one message of two raw 16 B parts;
// - c_reader against cpp_reader: a stream of 1000 messages of two raw
//   4 KiB parts read in 64 KiB pieces through prepare/commit, each message
//   taken as a view (`vexal_reader_next`, `try_next(vexal_view&)`);
// - c_compose_into against cpp_compose: one message of two raw 16 B parts
//   composed into the caller's memory (`vexal_compose_into`) and into a
//   reused vector (`vexal::compose`);
// - c_read_in_place and cpp_read_in_place against cpp_reader: a stream of
//   raw 16 B parts handed over in 64 KiB chunks that lie in the caller's
//   memory (`vexal_reader_read`, `try_read`), and the same chunks copied
//   into the reader (prepare/commit + `try_next`); the counter
//   copied_bytes is what the in-place readers copied per stream, which
//   only messages cut between chunks cost;
// - gather_writev, composed_write and pipe_write: sending one message of two
//   raw parts of 4 KiB to 16 MiB into a pipe that a second thread drains.
//   gather_writev sends `vexal_raw_headers` and the payloads where they lie
//   with one writev; composed_write composes with `vexal_compose` and sends
//   the buffer; pipe_write, the baseline, sends a message composed
//   beforehand, which is the pipe's own copy and nothing else. The time is
//   the sending thread's CPU time: the copies it makes, the kernel's into
//   the pipe included, not the waits for the draining thread.
//
// bench/report divides c_parse by cpp_parse, c_reader by cpp_reader,
// c_compose_into by cpp_compose, the in-place readers by cpp_reader, and
// gather_writev and composed_write by pipe_write at each size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "payloads.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.h"
#include "vexal/vexal.hpp"
#include "vexal/view.hpp"

namespace vexal_bench {
namespace {

constexpr size_t read_size = size_t{64} << 10;
constexpr size_t messages_per_stream = 1000;

// `count` messages of two raw text parts of `part_size` bytes, back to back.
std::vector<uint8_t> make_stream(size_t part_size, size_t count) {
  std::vector<uint8_t> stream;
  for (size_t i = 0; i < count; ++i) {
    kelvo::vexal message;
    message.first().set_payload(
        make_payload(payload_kind::text, part_size, 2 * i));
    message.second().set_payload(
        make_payload(payload_kind::text, part_size, 2 * i + 1));
    message.compose(stream);
  }
  return stream;
}

void cpp_parse(benchmark::State& state) {
  const std::vector<uint8_t> wire = make_stream(16, 1);
  const kelvo::vexal_limits limits = kelvo::vexal_limits::unlimited();
  kelvo::vexal_view view;
  std::error_code ec;
  for (auto _ : state) {
    const size_t end = view.parse(wire.data(), wire.size(), 0, limits, ec);
    benchmark::DoNotOptimize(view);
    if (end != wire.size()) state.SkipWithError("not parsed");
  }
  state.SetBytesProcessed(state.iterations() * 32);
}

void c_parse(benchmark::State& state) {
  const std::vector<uint8_t> wire = make_stream(16, 1);
  vexal_message_t message;
  vexal_error_t error;
  size_t end = 0;
  for (auto _ : state) {
    vexal_parse(wire.data(), wire.size(), 0, nullptr, &message, &end, &error);
    benchmark::DoNotOptimize(message);
    if (end != wire.size()) state.SkipWithError("not parsed");
  }
  state.SetBytesProcessed(state.iterations() * 32);
}

void cpp_compose(benchmark::State& state) {
  kelvo::vexal message;
  message.first().set_payload(make_payload(payload_kind::text, 16, 0));
  message.second().set_payload(make_payload(payload_kind::text, 16, 1));
  std::vector<uint8_t> out;
  for (auto _ : state) {
    out.clear();
    message.compose(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * 32);
}

void c_compose_into(benchmark::State& state) {
  const std::vector<uint8_t> first = make_payload(payload_kind::text, 16, 0);
  const std::vector<uint8_t> second = make_payload(payload_kind::text, 16, 1);
  std::vector<uint8_t> out(
      vexal_compose_bound(first.size(), 0, second.size(), 0));
  size_t size = 0;
  for (auto _ : state) {
    vexal_compose_into(first.data(), first.size(), VEXAL_FORMAT_BYTES,
                       VEXAL_COMPRESSION_NONE, second.data(), second.size(),
                       VEXAL_FORMAT_BYTES, VEXAL_COMPRESSION_NONE, out.data(),
                       out.size(), &size, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  if (size != out.size()) state.SkipWithError("not composed");
  state.SetBytesProcessed(state.iterations() * 32);
}

// Hands the stream of `part_size` parts over in 64 KiB chunks, calling
// `took(chunk, size)` for each; counts the messages `took` reports.
template <typename Took>
void read_stream(benchmark::State& state, size_t part_size, Took took) {
  // Small messages fill a 1 MiB stream, so that some are cut between chunks.
  const size_t count = part_size >= 4096
                           ? messages_per_stream
                           : (size_t{16} * read_size) /
                                 (2 * (part_size + VEXAL_PART_HEADER_SIZE));
  const std::vector<uint8_t> stream = make_stream(part_size, count);
  size_t messages = 0;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += read_size) {
      messages +=
          took(stream.data() + at, std::min(read_size, stream.size() - at));
    }
  }
  if (messages != state.iterations() * count) {
    state.SkipWithError("the stream did not yield all of its messages");
  }
  state.SetBytesProcessed(static_cast<int64_t>(messages * 2 * part_size));
}

// `read_stream` into the room that `room(size)` gives, as a read() would.
template <typename Room, typename Took>
void copy_stream(benchmark::State& state, size_t part_size, Room room,
                 Took took) {
  read_stream(state, part_size, [&](const uint8_t* chunk, size_t size) {
    std::memcpy(room(size), chunk, size);
    return took(size);
  });
}

void cpp_reader(benchmark::State& state, size_t part_size) {
  kelvo::vexal_reader reader(kelvo::vexal_limits::unlimited());
  kelvo::vexal_view view;
  copy_stream(
      state, part_size, [&](size_t size) { return reader.prepare(size); },
      [&](size_t size) {
        reader.commit(size);
        size_t count = 0;
        while (reader.try_next(view) == kelvo::vexal_reader::status::message) {
          ++count;
        }
        return count;
      });
}

void c_reader(benchmark::State& state) {
  vexal_reader_t* reader = vexal_reader_new(nullptr);
  vexal_message_t message;
  vexal_error_t error;
  copy_stream(
      state, 4096,
      [&](size_t size) { return vexal_reader_prepare(reader, size); },
      [&](size_t size) {
        vexal_reader_commit(reader, size);
        size_t count = 0;
        while (vexal_reader_next(reader, &message, &error) == VEXAL_OK) {
          ++count;
        }
        return count;
      });
  vexal_reader_free(reader);
}

void cpp_read_in_place(benchmark::State& state, size_t part_size) {
  kelvo::vexal_reader reader(kelvo::vexal_limits::unlimited());
  kelvo::vexal_view view;
  read_stream(state, part_size, [&](const uint8_t* chunk, size_t size) {
    size_t count = 0;
    size_t used = 0;
    while (reader.try_read(chunk, size, used, view) ==
           kelvo::vexal_reader::status::message) {
      chunk += used;
      size -= used;
      ++count;
    }
    return count;
  });
}

void c_read_in_place(benchmark::State& state, size_t part_size) {
  vexal_reader_t* reader = vexal_reader_new(nullptr);
  vexal_message_t message;
  vexal_error_t error;
  uint64_t copied = 0;
  read_stream(state, part_size, [&](const uint8_t* chunk, size_t size) {
    size_t count = 0;
    size_t used = 0;
    while (vexal_reader_read(reader, chunk, size, &used, &message, &error) ==
           VEXAL_OK) {
      chunk += used;
      size -= used;
      copied += message.in_data != 0 ? 0 : message.size;
      ++count;
    }
    return count;
  });
  vexal_reader_free(reader);
  state.counters["copied_bytes"] = benchmark::Counter(
      static_cast<double>(copied), benchmark::Counter::kAvgIterations);
}

// A pipe whose read end a thread drains until the write end is closed.
class drained_pipe {
 public:
  drained_pipe() {
    if (pipe(fds_) != 0) return;
    fcntl(fds_[1], F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups; best effort
    drain_ = std::thread([fd = fds_[0]] {
      std::vector<uint8_t> sink(1 << 20);
      while (read(fd, sink.data(), sink.size()) > 0) {
      }
    });
  }
  ~drained_pipe() {
    close(fds_[1]);
    if (drain_.joinable()) drain_.join();
    close(fds_[0]);
  }
  drained_pipe(const drained_pipe&) = delete;
  drained_pipe& operator=(const drained_pipe&) = delete;

  // Writes every byte of `parts`; false on an error.
  bool send(iovec* parts, int count) const {
    while (count > 0) {
      ssize_t sent = writev(fds_[1], parts, count);
      if (sent < 0) return false;
      for (; count > 0 && size_t(sent) >= parts->iov_len; ++parts, --count) {
        sent -= static_cast<ssize_t>(parts->iov_len);
      }
      if (count > 0) {
        parts->iov_base = static_cast<uint8_t*>(parts->iov_base) + sent;
        parts->iov_len -= static_cast<size_t>(sent);
      }
    }
    return true;
  }

 private:
  int fds_[2] = {-1, -1};
  std::thread drain_;
};

enum class send_way { gather, composed, baseline };

void send_message(benchmark::State& state, send_way way, size_t part_size) {
  const std::vector<uint8_t> first =
      make_payload(payload_kind::random, part_size, 0);
  const std::vector<uint8_t> second =
      make_payload(payload_kind::random, part_size, 1);
  const vexal_part_spec_t wanted[] = {{first.data(), first.size(), 0, 0},
                                      {second.data(), second.size(), 0, 0}};
  uint8_t* ready = nullptr;
  size_t ready_size = 0;
  vexal_compose(&wanted[0], &wanted[1], &ready, &ready_size, nullptr);
  drained_pipe pipe;
  bool sent = true;
  for (auto _ : state) {
    if (way == send_way::gather) {
      uint8_t headers[VEXAL_RAW_HEADERS_SIZE];
      vexal_raw_headers(&wanted[0], &wanted[1], headers, nullptr);
      iovec parts[] = {{headers, 8},
                       {const_cast<uint8_t*>(first.data()), first.size()},
                       {headers + 8, 8},
                       {const_cast<uint8_t*>(second.data()), second.size()}};
      sent = sent && pipe.send(parts, 4);
    } else if (way == send_way::composed) {
      uint8_t* out = nullptr;
      size_t size = 0;
      vexal_compose(&wanted[0], &wanted[1], &out, &size, nullptr);
      iovec whole = {out, size};
      sent = sent && pipe.send(&whole, 1);
      vexal_free(out);
    } else {
      iovec whole = {ready, ready_size};
      sent = sent && pipe.send(&whole, 1);
    }
  }
  vexal_free(ready);
  if (!sent) state.SkipWithError("the pipe refused the bytes");
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * 2 * part_size));
}

const bool registered = [] {
  benchmark::RegisterBenchmark("cpp_parse/none/text/16", cpp_parse);
  benchmark::RegisterBenchmark("c_parse/none/text/16", c_parse);
  benchmark::RegisterBenchmark("cpp_reader/none/text/4096", cpp_reader, 4096);
  benchmark::RegisterBenchmark("c_reader/none/text/4096", c_reader);
  benchmark::RegisterBenchmark("cpp_compose/none/text/16", cpp_compose);
  benchmark::RegisterBenchmark("c_compose_into/none/text/16", c_compose_into);
  benchmark::RegisterBenchmark("cpp_reader/none/text/16", cpp_reader, 16);
  benchmark::RegisterBenchmark("cpp_read_in_place/none/text/16",
                               cpp_read_in_place, 16);
  benchmark::RegisterBenchmark("c_read_in_place/none/text/16", c_read_in_place,
                               16);
  for (size_t part_size :
       {size_t{4} << 10, size_t{64} << 10, size_t{1} << 20, size_t{16} << 20}) {
    for (const auto& [name, way] :
         {std::pair{"gather_writev", send_way::gather},
          {"composed_write", send_way::composed},
          {"pipe_write", send_way::baseline}}) {
      benchmark::RegisterBenchmark(
          (std::string(name) + "/none/random/" + std::to_string(part_size))
              .c_str(),
          send_message, way, part_size);
    }
  }
  return true;
}();

}  // namespace
}  // namespace vexal_bench
