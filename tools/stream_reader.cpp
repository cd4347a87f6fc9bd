// SPDX-License-Identifier: MIT
// Message framing for the `vexal` tool: the lengths of the two part headers,
// and a buffer that is compacted only when more input must be read.
#include "stream_reader.hpp"

#include <array>

#include "standard_output.hpp"
#include "wire.hpp"

namespace kelvo::tool {
namespace {

// The number of bytes that must be buffered to learn more about the message
// at `data`: its first header (8), then up to its second header (16 + L1),
// and once both headers are there, the whole message (16 + L1 + L2).
uint64_t bytes_wanted(const uint8_t* data, size_t buffered) {
  if (buffered < part_header_size) return part_header_size;
  const uint64_t second_header = part_header_size + stored_length(data);
  const uint64_t second_stored = second_header + part_header_size;
  if (buffered < second_stored) return second_stored;
  return second_stored + stored_length(data + second_header);
}

}  // namespace

stream_reader::stream_reader(input_file& input) : input_(input) {}

bool stream_reader::next() {
  begin_ += length_;
  offset_ += length_;
  length_ = 0;
  for (;;) {
    const uint64_t wanted = bytes_wanted(buffer_.data() + begin_, pending());
    if (pending() >= wanted) {
      length_ = static_cast<size_t>(wanted);
      return true;
    }
    if (!fill()) return false;
  }
}

bool stream_reader::fill() {
  // Move the incomplete message to the front once, before its first read:
  // each byte is moved at most once, so the work stays linear in the input.
  if (begin_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + begin_);
    begin_ = 0;
    // Give back the room that an earlier, larger message needed.
    if (buffer_.capacity() > 4 * buffer_.size() + (1u << 20)) {
      buffer_.shrink_to_fit();
    }
  }
  // What was printed for earlier messages shows before the tool waits.
  flush_output();
  std::array<uint8_t, 64 * 1024> step;
  const size_t got = input_.read_some(step.data(), step.size());
  buffer_.insert(buffer_.end(), step.begin(), step.begin() + got);
  return got > 0;
}

}  // namespace kelvo::tool
