// SPDX-License-Identifier: MIT
// `vexal inspect`: one report per message as soon as it has been read, then
// a summary. Every option is checked and every input opened before anything
// is printed, so that a missing file prints nothing; a bad message stops the
// run after the messages before it, or with --keep-going is reported and
// skipped.
#include <memory>

#include "command_numbers.hpp"
#include "commands.hpp"
#include "hex_dump.hpp"
#include "message_stream.hpp"
#include "report.hpp"
#include "standard_output.hpp"

namespace kelvo::tool {

exit_status run_inspect(const inspect_options& options) {
  const vexal_limits limits = parse_limits(options.limits);
  const bool hex = options.hex || options.hex_all;
  if (hex && (options.json || options.levels)) {
    throw tool_error(exit_bad_usage,
                     "--hex and --hex-all go with neither --json nor --levels");
  }
  const std::vector<std::string> paths =
      options.inputs.empty() ? std::vector<std::string>{"-"} : options.inputs;
  std::vector<std::unique_ptr<input_file>> inputs;
  for (const std::string& path : paths) {
    inputs.push_back(std::make_unique<input_file>(path));
  }
  report_totals totals;
  uint64_t skipped = 0;
  for (const auto& input : inputs) {
    if (!options.json && inputs.size() > 1) print(input->name() + ":\n");
    const message_visitor visit = [&](const message_view& view) {
      const message_report report =
          describe(input->name(), view, options.levels);
      if (hex) {
        print(hex_message(view, options.hex_all));
      } else {
        print(options.json ? format_json(report) : format_text(report));
      }
      totals.add(report);
      return true;
    };
    const refusal_visitor dump_refused = [&](uint64_t index, uint64_t offset,
                                             const uint8_t* bytes, size_t size,
                                             const std::string& error) {
      print(hex_refused(index, offset, bytes, size, error, limits,
                        options.hex_all));
    };
    skipped += read_messages(*input, limits, options.keep_going, visit,
                             hex ? dump_refused : nullptr);
  }
  if (!options.json) print(totals.format());
  flush_output();
  return skipped == 0 ? exit_ok : exit_bad_message;
}

}  // namespace kelvo::tool
