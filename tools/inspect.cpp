// SPDX-License-Identifier: MIT
// `vexal inspect`: one report per message as soon as it has been read, then
// a summary; a failure stops the run after the messages before it.
#include <iostream>

#include "commands.hpp"
#include "message_stream.hpp"
#include "report.hpp"

namespace kelvo::tool {

void run_inspect(const inspect_options& options) {
  const std::vector<std::string> inputs =
      options.inputs.empty() ? std::vector<std::string>{"-"} : options.inputs;
  report_totals totals;
  for (const std::string& path : inputs) {
    input_file input(path);
    if (!options.json && inputs.size() > 1) std::cout << input.name() << ":\n";
    read_messages(input, [&](const message_view& view) {
      const message_report report = describe(input.name(), view);
      if (options.json) {
        print_json(std::cout, report);
      } else {
        print_text(std::cout, report);
      }
      totals.add(report);
      return true;
    });
  }
  if (!options.json) totals.print(std::cout);
}

}  // namespace kelvo::tool
