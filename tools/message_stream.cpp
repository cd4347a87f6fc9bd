// SPDX-License-Identifier: MIT
// The message loop shared by `inspect` and `unpack`: read a chunk, feed it,
// take every message that is whole.
#include "message_stream.hpp"

#include <array>
#include <stdexcept>
#include <string>

#include "standard_output.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t read_step = 64 * 1024;

// Throws the line, or prints it when the run goes on.
void refuse(bool keep_going, const std::string& line) {
  if (!keep_going) throw tool_error(exit_bad_message, line);
  print_error(line);
}

}  // namespace

uint64_t read_messages(input_file& input, const vexal_limits& limits,
                       bool keep_going, const message_visitor& visit) {
  vexal_reader reader(limits);
  vexal message;
  uint64_t index = 0;
  uint64_t skipped = 0;
  std::array<uint8_t, read_step> chunk;
  for (;;) {
    // What was printed for earlier messages shows before the tool waits.
    flush_output();
    const size_t got = input.read_some(chunk.data(), chunk.size());
    if (got == 0) break;
    reader.feed(chunk.data(), got);
    for (;; ++index) {
      const uint64_t offset = reader.offset();
      try {
        if (!reader.next(message)) break;
      } catch (const std::runtime_error& error) {
        refuse(keep_going, input.name() + ": message " + std::to_string(index) +
                               " at offset " + std::to_string(offset) + ": " +
                               error.what());
        reader.skip();
        ++skipped;
        continue;
      }
      if (!visit({index, reader.wire(), message})) return skipped;
    }
  }
  if (reader.buffered() > 0) {
    refuse(keep_going, input.name() + ": incomplete message at offset " +
                           std::to_string(reader.offset()) + " (" +
                           std::to_string(reader.buffered()) + " bytes left)");
    ++skipped;
  }
  return skipped;
}

}  // namespace kelvo::tool
