// SPDX-License-Identifier: MIT
// `vexal unpack`: the decompressed payloads of one message, each to its own
// output; the input is read only up to that message.
#include <utility>
#include <vexal/vexal.hpp>

#include "command_numbers.hpp"
#include "commands.hpp"
#include "message_stream.hpp"
#include "output_file.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

void write_payload(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (!path.empty()) write_output(path, {{bytes.data(), bytes.size()}}, false);
}

}  // namespace

exit_status run_unpack(const unpack_options& options) {
  const uint64_t index = parse_index(options.index, "--index");
  const vexal_limits limits = parse_limits(options.limits);
  if (options.first_output.empty() && options.second_output.empty()) {
    throw tool_error(
        exit_bad_usage,
        "nothing to write: give --first OUT, --second OUT or both");
  }
  input_file input(options.input);
  vexal found;
  uint64_t seen = 0;
  read_messages(input, limits, false, [&](const message_view& view) {
    seen = view.index + 1;
    if (view.index < index) return true;
    found = std::move(view.message);
    return false;
  });
  if (seen <= index) {
    throw tool_error(exit_bad_usage,
                     input.name() + ": no message " + std::to_string(index) +
                         "; the input holds " + std::to_string(seen));
  }
  write_payload(options.first_output, found.first().get_payload());
  write_payload(options.second_output, found.second().get_payload());
  return exit_ok;
}

}  // namespace kelvo::tool
