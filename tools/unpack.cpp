// SPDX-License-Identifier: MIT
// `vexal unpack`: the decompressed payloads of one message, each to its own
// output; the input is read only up to that message.
#include <vexal/vexal.hpp>

#include "commands.hpp"
#include "file_io.hpp"
#include "message_stream.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {

void run_unpack(const unpack_options& options) {
  if (options.first_output.empty() && options.second_output.empty()) {
    throw tool_error(
        exit_bad_usage,
        "nothing to write: give --first OUT, --second OUT or both");
  }
  input_file input(options.input);
  vexal found;
  size_t seen = 0;
  read_messages(input, [&](const message_view& view) {
    seen = view.index + 1;
    if (view.index < options.index) return true;
    found = view.message;
    return false;
  });
  if (seen <= options.index) {
    throw tool_error(exit_bad_usage, input.name() + ": no message " +
                                         std::to_string(options.index) +
                                         "; the input holds " +
                                         std::to_string(seen));
  }
  if (!options.first_output.empty()) {
    write_output(options.first_output, found.first().get_payload(), false);
  }
  if (!options.second_output.empty()) {
    write_output(options.second_output, found.second().get_payload(), false);
  }
}

}  // namespace kelvo::tool
