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
#include <stdexcept>
#include <string>

#include "part/limit_errors.hpp"

namespace kelvo::detail {

namespace {

constexpr size_t scratch_size = 32768;
constexpr size_t max_input_size = std::numeric_limits<uint32_t>::max();

// "Failed zlib::<operation> [<code>]: <zlib's text, if any>"
[[noreturn]] void throw_zlib_error(const char* operation, int code,
                                   const char* zlib_message) {
  std::string text = "Failed zlib::";
  text += operation;
  text += " [";
  text += std::to_string(code);
  text += "]: ";
  if (zlib_message != nullptr) text += zlib_message;
  throw std::runtime_error(text);
}

void check_input_size(size_t size) {
  if (size > max_input_size) {
    throw std::runtime_error("zlib input is too long");
  }
}

// Owns an initialized stream and ends it exactly once, on every exit path.
class zlib_stream {
 public:
  zlib_stream(bool compress, int32_t level) : compress_(compress) {
    std::memset(&stream_, 0, sizeof stream_);
    const int code =
        compress ? deflateInit(&stream_, level) : inflateInit(&stream_);
    if (code != Z_OK) {
      throw_zlib_error(compress ? "deflateInit" : "inflateInit", code,
                       stream_.msg);
    }
  }
  ~zlib_stream() { end(); }
  zlib_stream(const zlib_stream&) = delete;
  zlib_stream& operator=(const zlib_stream&) = delete;

  z_stream& get() { return stream_; }

  // One pass: compression finishes once all input has been handed over.
  int step() {
    if (compress_) {
      return deflate(&stream_, stream_.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH);
    }
    return inflate(&stream_, Z_NO_FLUSH);
  }

  void end() {
    if (ended_) return;
    ended_ = true;
    if (compress_) {
      deflateEnd(&stream_);
    } else {
      inflateEnd(&stream_);
    }
  }

 private:
  z_stream stream_;
  bool compress_;
  bool ended_ = false;
};

// The size to give `out` when the output has filled it: first its capacity,
// or for an empty vector about twice the input, then double; never more than
// `most`.
size_t grown_size(const std::vector<uint8_t>& out, size_t input_size,
                  size_t most) {
  constexpr size_t first_extra = 64;
  const size_t wanted =
      out.empty() ? 2 * input_size + first_extra : out.size() + out.size();
  return std::min(most, std::max(out.capacity(), wanted));
}

}  // namespace

std::vector<uint8_t> zlib_transform(const std::vector<uint8_t>& input,
                                    bool compress, int32_t level,
                                    size_t max_output) {
  std::vector<uint8_t> output;
  if (!compress) {
    zlib_inflate_into(input.data(), input.size(), output, max_output);
    return output;
  }
  check_input_size(input.size());
  zlib_stream stream(true, level);
  z_stream& z = stream.get();
  // zlib's interface is not const-correct; it never writes through next_in.
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());

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
    // output.size() <= max_output always holds, so this cannot wrap.
    if (fresh > max_output - output.size()) throw_payload_too_long();
    output.insert(output.end(), scratch.data(), scratch.data() + fresh);
  } while (code == Z_OK);

  stream.end();
  if (code != Z_STREAM_END) throw_zlib_error("deflate", code, z.msg);
  return output;
}

void zlib_inflate_into(const uint8_t* input, size_t size,
                       std::vector<uint8_t>& out, size_t max_output) {
  check_input_size(size);
  zlib_stream stream(false, 0);
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
    if (produced == out.size()) out.resize(grown_size(out, size, most));
    const size_t room = std::min<size_t>(out.size() - produced,
                                         std::numeric_limits<uInt>::max());
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(room);
    code = stream.step();
    produced += room - z.avail_out;
    if (produced > max_output) {
      out.clear();
      throw_payload_too_long();
    }
  } while (code == Z_OK);

  stream.end();
  if (code != Z_STREAM_END) {
    out.clear();
    throw_zlib_error("inflate", code, z.msg);
  }
  out.resize(produced);
}

}  // namespace kelvo::detail
