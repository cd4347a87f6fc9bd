// SPDX-License-Identifier: MIT
// Cuts a byte stream into whole vexal messages without parsing them.
//
// A message is two parts back to back, each an 8-byte header whose last four
// bytes are the big-endian stored length L of the bytes that follow it, so a
// message is 16 + L1 + L2 bytes long. The reader reads the two headers itself
// to learn that length, then buffers until the whole message is there: a
// message is handed out as soon as its last byte arrives, each byte is read
// from the input once, and the buffer holds little more than the current
// message. Whether the message is well formed is left to the library.
#ifndef VEXAL_TOOLS_STREAM_READER_HPP
#define VEXAL_TOOLS_STREAM_READER_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input_file.hpp"

namespace kelvo::tool {

class stream_reader {
 public:
  /// Reads from `input`, which must outlive the reader.
  explicit stream_reader(input_file& input);

  /// Drops the current message and buffers the next whole one.
  /// @return false at the end of the input; `pending()` bytes of an
  ///         incomplete message may then be left in the buffer.
  /// @throws tool_error when the input cannot be read.
  bool next();

  /// The buffer; the current message starts at `begin()`.
  const std::vector<uint8_t>& buffer() const { return buffer_; }
  /// Where the current message (or the incomplete rest) starts in `buffer()`.
  size_t begin() const { return begin_; }
  /// The length of the current message on the wire.
  size_t length() const { return length_; }
  /// The current message's offset in the whole input.
  uint64_t offset() const { return offset_; }
  /// Bytes buffered from `begin()` on.
  size_t pending() const { return buffer_.size() - begin_; }

 private:
  // Reads more input after the buffered bytes; false at the end of input.
  bool fill();

  input_file& input_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t length_ = 0;
  uint64_t offset_ = 0;
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_STREAM_READER_HPP
