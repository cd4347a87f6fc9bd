// SPDX-License-Identifier: MIT
// `vexal inspect`: one report (or dump) per message as soon as it has been
// read, then a summary; with --follow, of one file as it grows. Every option
// is checked and every input opened before anything is printed, so that a
// missing file prints nothing; a bad message stops the run after the
// messages before it, or with --keep-going is reported and skipped.
#include <memory>

#include "command_numbers.hpp"
#include "commands.hpp"
#include "followed_file.hpp"
#include "hex_dump.hpp"
#include "message_stream.hpp"
#include "report.hpp"
#include "standard_output.hpp"

namespace kelvo::tool {
namespace {

// Prints each message of the input `name` as the options ask, and counts it.
message_visitor reporter(const std::string& name,
                         const inspect_options& options,
                         report_totals& totals) {
  return [&name, &options, &totals](const message_view& view) {
    const message_report report = describe(name, view, options.levels);
    if (options.hex || options.hex_all) {
      print(hex_message(view, options.hex_all));
    } else {
      print(options.json ? format_json(report) : format_text(report));
    }
    totals.add(report);
    return true;
  };
}

// --follow: the messages of one file as it grows, from its start again
// after it is truncated or replaced, until interrupted.
uint64_t follow(const inspect_options& options, const vexal_limits& limits,
                report_totals& totals) {
  if (options.inputs.size() != 1 || options.inputs[0] == "-") {
    throw tool_error(exit_bad_usage, "--follow takes one file");
  }
  const std::string& name = options.inputs[0];
  followed_file file(name);
  uint64_t skipped = 0;
  for (;;) {
    skipped += read_messages(
        name,
        [&](uint8_t* data, size_t size) { return file.read_some(data, size); },
        limits, options.keep_going, reporter(name, options, totals), nullptr,
        true);
    if (file.stopped() == followed_file::stop::interrupted) return skipped;
    print_error(name + (file.stopped() == followed_file::stop::truncated
                            ? ": truncated; reading it again from the start"
                            : ": replaced; reading the new file from the "
                              "start"));
    file.restart();
  }
}

// Every message of every input, in order.
uint64_t read_all(const inspect_options& options, const vexal_limits& limits,
                  report_totals& totals) {
  const std::vector<std::string> paths =
      options.inputs.empty() ? std::vector<std::string>{"-"} : options.inputs;
  std::vector<std::unique_ptr<input_file>> inputs;
  for (const std::string& path : paths) {
    inputs.push_back(std::make_unique<input_file>(path));
  }
  uint64_t skipped = 0;
  for (const auto& input : inputs) {
    if (!options.json && inputs.size() > 1) print(input->name() + ":\n");
    const refusal_visitor dump_refused = [&](uint64_t index, uint64_t offset,
                                             const uint8_t* bytes, size_t size,
                                             const message_refusal& refusal) {
      print(hex_refused(index, offset, bytes, size, refusal, options.hex_all));
    };
    skipped +=
        read_messages(*input, limits, options.keep_going,
                      reporter(input->name(), options, totals),
                      options.hex || options.hex_all ? dump_refused : nullptr);
  }
  return skipped;
}

}  // namespace

exit_status run_inspect(const inspect_options& options) {
  const vexal_limits limits = parse_limits(options.limits);
  if ((options.hex || options.hex_all) &&
      (options.json || options.levels || options.follow)) {
    throw tool_error(exit_bad_usage,
                     "--hex and --hex-all go with none of --json, --levels "
                     "and --follow");
  }
  report_totals totals;
  const uint64_t skipped = options.follow ? follow(options, limits, totals)
                                          : read_all(options, limits, totals);
  if (!options.json) print(totals.format());
  flush_output();
  return skipped == 0 ? exit_ok : exit_bad_message;
}

}  // namespace kelvo::tool
