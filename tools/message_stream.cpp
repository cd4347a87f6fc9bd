// SPDX-License-Identifier: MIT
// The message loop shared by `inspect` and `unpack`: frame, parse once, visit.
#include "message_stream.hpp"

#include <exception>
#include <string>

#include "stream_reader.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {

void read_messages(input_file& input, const message_visitor& visit) {
  stream_reader reader(input);
  vexal message;
  for (size_t index = 0;; ++index) {
    const bool whole = reader.next();
    if (!whole && reader.pending() == 0) return;
    // The rest of an input that ends inside a message is parsed too: a part
    // that is already whole may be malformed, and then the library's own
    // message is the one to report. Otherwise the library finds too few
    // bytes and consumes nothing.
    try {
      message.parse(reader.buffer(), reader.begin());
    } catch (const std::exception& error) {
      throw tool_error(exit_bad_message,
                       input.name() + ": message " + std::to_string(index) +
                           " at offset " + std::to_string(reader.offset()) +
                           ": " + error.what());
    }
    if (!whole) {
      throw tool_error(exit_bad_message,
                       input.name() + ": incomplete message at offset " +
                           std::to_string(reader.offset()) + " (" +
                           std::to_string(reader.pending()) + " bytes left)");
    }
    const message_view view{index, reader.offset(),
                            reader.buffer().data() + reader.begin(),
                            reader.length(), message};
    if (!visit(view)) return;
  }
}

}  // namespace kelvo::tool
