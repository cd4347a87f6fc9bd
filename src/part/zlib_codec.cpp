// SPDX-License-Identifier: MIT
// The zlib codec: the whole input is handed to zlib at once and the output is
// collected through one 32768-byte scratch buffer, pass by pass, until zlib
// reports anything but Z_OK. Only Z_STREAM_END counts as success.
#include "part/zlib_codec.hpp"

#include <zlib.h>

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

}  // namespace

std::vector<uint8_t> zlib_transform(const std::vector<uint8_t>& input,
                                    bool compress, int32_t level,
                                    size_t max_output) {
  if (input.size() > max_input_size) {
    throw std::runtime_error("zlib input is too long");
  }
  zlib_stream stream(compress, level);
  z_stream& z = stream.get();
  // zlib's interface is not const-correct; it never writes through next_in.
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());

  // On the stack, and left uninitialized: a heap block of this size costs a
  // small payload more than its whole inflate, and only the bytes zlib
  // writes in a pass are read back.
  std::array<uint8_t, scratch_size> scratch;
  std::vector<uint8_t> output;
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
  if (code != Z_STREAM_END) {
    throw_zlib_error(compress ? "deflate" : "inflate", code, z.msg);
  }
  return output;
}

}  // namespace kelvo::detail
