// SPDX-License-Identifier: MIT
// The message loop shared by `inspect` and `unpack`: read a chunk, feed it,
// take every message that is whole.
#include "message_stream.hpp"

#include <array>
#include <new>
#include <string>
#include <vector>

#include "standard_output.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t read_step = 64 * 1024;

// The bytes fed to the reader that it has not consumed, kept on request.
class kept_bytes {
 public:
  explicit kept_bytes(bool keep) : keep_(keep) {}
  void add(const uint8_t* data, size_t size) {
    if (keep_) bytes_.insert(bytes_.end(), data, data + size);
    fed_ += size;
  }
  // Lets go of what lies before stream offset `offset` once that is half of
  // what is held (or all of it), so that a chunk of many small messages is
  // not moved down once per message.
  void consumed(uint64_t offset) {
    const uint64_t done = offset - base_;
    if (!keep_ || 2 * done < bytes_.size()) return;
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(done));
    base_ = offset;
  }
  // The bytes from stream offset `offset` on; null unless kept.
  const uint8_t* from(uint64_t offset) const {
    return keep_ ? bytes_.data() + (offset - base_) : nullptr;
  }
  size_t after(uint64_t offset) const { return fed_ - offset; }

 private:
  bool keep_;
  std::vector<uint8_t> bytes_;
  uint64_t base_ = 0;  // the stream offset of bytes_[0]
  uint64_t fed_ = 0;
};

// Throws the line, or prints it when the run goes on.
void refuse(bool keep_going, const std::string& line) {
  if (!keep_going) throw tool_error(exit_bad_message, line);
  print_error(line);
}

}  // namespace

uint64_t read_messages(input_file& input, const vexal_limits& limits,
                       bool keep_going, const message_visitor& visit,
                       const refusal_visitor& refused) {
  return read_messages(
      input.name(),
      [&](uint8_t* data, size_t size) { return input.read_some(data, size); },
      limits, keep_going, visit, refused, false);
}

uint64_t read_messages(const std::string& name, const byte_source& read,
                       const vexal_limits& limits, bool keep_going,
                       const message_visitor& visit,
                       const refusal_visitor& refused, bool incomplete_ok) {
  vexal_reader reader(limits);
  kept_bytes kept(refused != nullptr);
  vexal message;
  uint64_t index = 0;
  uint64_t skipped = 0;
  uint64_t last_skipped = 0;  // where the last message skipped starts
  std::array<uint8_t, read_step> chunk;
  for (;;) {
    // What was printed for earlier messages shows before the tool waits.
    flush_output();
    const size_t got = read(chunk.data(), chunk.size());
    if (got == 0) break;
    reader.feed(chunk.data(), got);
    kept.add(chunk.data(), got);
    for (;; ++index) {
      const uint64_t offset = reader.offset();
      kept.consumed(offset);
      const vexal_reader::status status = reader.try_next(message);
      if (status == vexal_reader::status::need_more) break;
      // Not a refusal: the tool stops as it does wherever memory runs short.
      if (status == vexal_reader::status::out_of_memory) throw std::bad_alloc();
      if (status != vexal_reader::status::message) {
        if (refused) {
          refused(index, offset, kept.from(offset), kept.after(offset),
                  {reader.error(), reader.error_code(), reader.error_offset()});
        }
        refuse(keep_going, name + ": message " + std::to_string(index) +
                               " at offset " + std::to_string(offset) + ": " +
                               reader.error());
        reader.skip();
        last_skipped = offset;
        ++skipped;
        continue;
      }
      if (!visit({index, reader.wire(), message, kept.from(offset)})) {
        return skipped;
      }
    }
  }
  if (!reader.at_boundary() && !incomplete_ok) {
    // A cut inside the message skipped last was reported with it; needed()
    // then counts the first header of the message after it too.
    const bool in_skipped = reader.skipping();
    const uint64_t start = in_skipped ? last_skipped : reader.offset();
    const uint64_t missing =
        reader.needed() - (in_skipped ? vexal_part_header_size : 0);
    refuse(
        keep_going,
        name + ": incomplete message at offset " + std::to_string(start) +
            " (" + std::to_string(reader.offset() + reader.buffered() - start) +
            " bytes read, at least " + std::to_string(missing) + " missing)");
    if (!in_skipped) ++skipped;
  }
  return skipped;
}

}  // namespace kelvo::tool
