// SPDX-License-Identifier: MIT
// `vexal salvage`: the whole messages of a damaged input, written to a new
// output byte for byte (salvage_scan.hpp), each damaged range reported on
// standard error, then a summary line.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "command_numbers.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "output_file.hpp"
#include "salvage_scan.hpp"
#include "standard_output.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t write_step = 64 * 1024;

// 1032 as "1,032", for the summary line.
std::string grouped(uint64_t number) {
  std::string digits = std::to_string(number);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string counted(uint64_t number, const char* one, const char* many) {
  return grouped(number) + " " + (number == 1 ? one : many);
}

// Refuses an output that is the input itself, under any name.
void refuse_same_file(const input_file& input, const std::string& output) {
  struct stat out;
  const bool exists = output == "-" ? ::fstat(STDOUT_FILENO, &out) == 0
                                    : ::stat(output.c_str(), &out) == 0;
  if (exists && input.is(out)) {
    throw tool_error(exit_bad_usage,
                     output + ": is the input; write to another file");
  }
}

}  // namespace

exit_status run_salvage(const salvage_options& options) {
  const vexal_limits limits = parse_limits(options.limits);
  input_file input(options.input);
  refuse_same_file(input, options.output);
  salvage_totals totals;
  write_output(options.output, false, [&](int fd) {
    const std::string name = options.output == "-" ? "stdout" : options.output;
    std::vector<uint8_t> pending;
    const auto write_pending = [&] {
      write_all(fd, {{pending.data(), pending.size()}}, name);
      pending.clear();
    };
    salvage_events on;
    on.message = [&](const uint8_t* data, size_t size) {
      pending.insert(pending.end(), data, data + size);
      if (pending.size() >= write_step) write_pending();
    };
    on.damaged = [&](uint64_t offset, uint64_t size) {
      print_error("damaged: bytes " + std::to_string(offset) + "\u2013" +
                  std::to_string(offset + size - 1) + " (" +
                  std::to_string(size) + (size == 1 ? " byte" : " bytes") +
                  ") skipped");
    };
    totals = salvage_scan(
        [&](uint8_t* data, size_t size) { return input.read_some(data, size); },
        limits, on);
    write_pending();
  });
  print_error(grouped(totals.messages) + " of " +
              counted(totals.messages + totals.ranges, "message", "messages") +
              " recovered, " +
              counted(totals.ranges, "damaged range", "damaged ranges") + ", " +
              counted(totals.dropped, "byte", "bytes") + " dropped");
  return totals.ranges == 0 ? exit_ok : exit_bad_message;
}

}  // namespace kelvo::tool
