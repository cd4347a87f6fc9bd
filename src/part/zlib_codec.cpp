// SPDX-License-Identifier: MIT
// The zlib codec: the whole input is handed to zlib at once, and zlib is
// called pass by pass until it reports anything but Z_OK. Only Z_STREAM_END
// counts as success. Compressing collects the output through one
// 32768-byte scratch buffer; inflating writes straight into the output
// vector, which grows by doubling, since a zlib stream does not announce its
// length.
#include "part/zlib_codec.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace kelvo::detail {

namespace {

constexpr size_t scratch_size = 32768;
constexpr size_t max_input_size = std::numeric_limits<uint32_t>::max();

failure zlib_failure(zlib_call call, int code, const char* zlib_message) {
  failure f = fail(vexal_errc::zlib_failed);
  f.call = call;
  f.zlib_code = code;
  f.zlib_text = zlib_message;
  return f;
}

failure input_too_long() {
  failure f = fail(vexal_errc::zlib_failed);
  f.zlib_input_too_long = true;
  return f;
}

// Owns a stream, once initialized, and ends it exactly once, on every exit
// path.
class zlib_stream {
 public:
  explicit zlib_stream(bool compress) : compress_(compress) {
    std::memset(&stream_, 0, sizeof stream_);
  }
  ~zlib_stream() { end(); }
  zlib_stream(const zlib_stream&) = delete;
  zlib_stream& operator=(const zlib_stream&) = delete;

  // zlib's initialization; a failure leaves nothing to end.
  failure init(int32_t level) {
    const int code =
        compress_ ? deflateInit(&stream_, level) : inflateInit(&stream_);
    if (code != Z_OK) {
      return zlib_failure(
          compress_ ? zlib_call::deflate_init : zlib_call::inflate_init, code,
          stream_.msg);
    }
    started_ = true;
    return {};
  }

  z_stream& get() { return stream_; }

  // One pass: compression finishes once all input has been handed over.
  int step() {
    if (compress_) {
      return deflate(&stream_, stream_.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH);
    }
    return inflate(&stream_, Z_NO_FLUSH);
  }

  // Ends the stream; the failure of the last pass, whose `code` was not
  // Z_STREAM_END, names zlib's text as it stands after the end.
  failure end_with(int code) {
    end();
    if (code == Z_STREAM_END) return {};
    return zlib_failure(compress_ ? zlib_call::deflate : zlib_call::inflate,
                        code, stream_.msg);
  }

 private:
  void end() {
    if (!started_) return;
    started_ = false;
    if (compress_) {
      deflateEnd(&stream_);
    } else {
      inflateEnd(&stream_);
    }
  }

  z_stream stream_;
  bool compress_;
  bool started_ = false;
};

// The size to give `out` when the output has filled it: first its capacity,
// or for an empty vector about twice the input, then double; never more than
// `most`. A doubling that would land in the top quarter below `most` goes to
// `most` at once, so that a stream that runs into the bound is not moved one
// last time for a few bytes, with both blocks held: memory stays within
// about one and a half times the bound.
size_t grown_size(const std::vector<uint8_t>& out, size_t input_size,
                  size_t most) {
  constexpr size_t first_extra = 64;
  size_t wanted =
      out.empty() ? 2 * input_size + first_extra : out.size() + out.size();
  if (wanted > most - most / 4) wanted = most;
  return std::min(most, std::max(out.capacity(), wanted));
}

}  // namespace

failure zlib_deflate(const uint8_t* input, size_t size, int32_t level,
                     std::vector<uint8_t>& out) {
  out.clear();
  if (size > max_input_size) return input_too_long();
  zlib_stream stream(true);
  if (failure f = stream.init(level)) return f;
  z_stream& z = stream.get();
  // zlib's interface is not const-correct; it never writes through next_in.
  z.next_in = const_cast<Bytef*>(input);
  z.avail_in = static_cast<uInt>(size);

  // On the stack, and left uninitialized: only the bytes zlib writes in a
  // pass are read back.
  std::array<uint8_t, scratch_size> scratch;
  int code;
  do {
    z.next_out = scratch.data();
    z.avail_out = static_cast<uInt>(scratch_size);
    code = stream.step();
    // Counted from what is left of the scratch buffer rather than from
    // total_out, whose type (uLong) is 32 bits wide on some platforms.
    const size_t fresh = scratch_size - z.avail_out;
    out.insert(out.end(), scratch.data(), scratch.data() + fresh);
  } while (code == Z_OK);

  failure f = stream.end_with(code);
  if (f) out.clear();
  return f;
}

failure zlib_inflate_into(const uint8_t* input, size_t size,
                          std::vector<uint8_t>& out, size_t max_output) {
  if (size > max_input_size) {
    out.clear();
    return input_too_long();
  }
  zlib_stream stream(false);
  if (failure f = stream.init(0)) {
    out.clear();
    return f;
  }
  z_stream& z = stream.get();
  z.next_in = const_cast<Bytef*>(input);
  z.avail_in = static_cast<uInt>(size);

  // Room for one byte past the bound is enough to see that it is passed, so
  // the output never grows further than that.
  const size_t most = max_output == std::numeric_limits<size_t>::max()
                          ? max_output
                          : max_output + 1;
  size_t produced = 0;
  int code;
  do {
    if (produced == out.size()) {
      // Grown to exactly the size wanted: the vector's own growth would take
      // up to twice as much again, which the bound does not allow for.
      const size_t grown = grown_size(out, size, most);
      out.reserve(grown);
      out.resize(grown);
    }
    const size_t room = std::min<size_t>(out.size() - produced,
                                         std::numeric_limits<uInt>::max());
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(room);
    code = stream.step();
    produced += room - z.avail_out;
    if (produced > max_output) {
      out.clear();
      return fail(vexal_errc::payload_too_long);
    }
  } while (code == Z_OK);

  failure f = stream.end_with(code);
  out.resize(f ? 0 : produced);
  return f;
}

failure zlib_inflate_to(const uint8_t* input, size_t size, uint8_t* out,
                        size_t capacity, size_t max_output, size_t& produced) {
  produced = 0;
  if (size > max_input_size) return input_too_long();
  zlib_stream stream(false);
  if (failure f = stream.init(0)) return f;
  z_stream& z = stream.get();
  z.next_in = const_cast<Bytef*>(input);
  z.avail_in = static_cast<uInt>(size);

  std::array<uint8_t, scratch_size> scratch;
  size_t total = 0;
  int code;
  do {
    const bool counting = total >= capacity;
    const size_t room =
        std::min<size_t>(counting ? scratch_size : capacity - total,
                         std::numeric_limits<uInt>::max());
    z.next_out = counting ? scratch.data() : out + total;
    z.avail_out = static_cast<uInt>(room);
    code = stream.step();
    total += room - z.avail_out;
    if (total > max_output) return fail(vexal_errc::payload_too_long);
  } while (code == Z_OK);

  failure f = stream.end_with(code);
  if (!f) produced = total;
  return f;
}

size_t zlib_deflate_bound(size_t size) noexcept {
  return static_cast<size_t>(compressBound(static_cast<uLong>(size)));
}

}  // namespace kelvo::detail
