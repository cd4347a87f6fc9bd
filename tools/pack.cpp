// SPDX-License-Identifier: MIT
// `vexal pack`: one message from the bytes of two files, with a compression
// and a format for each part, written to or appended to the output.
#include <algorithm>
#include <vexal/vexal.hpp>

#include "commands.hpp"
#include "file_io.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

using vexal_part_payload::compression;

// `name` as a compression value; `option` names where it came from.
compression compression_named(const std::string& name,
                              const std::string& option) {
  const auto& names = compression_names();
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) {
    std::string known;
    for (const std::string& each : names) known += " " + each;
    throw tool_error(exit_bad_usage, option + ": unknown compression \"" +
                                         name + "\"; one of:" + known);
  }
  return static_cast<compression>(found - names.begin());
}

// A part of type `Part` carrying the bytes of `path`.
template <typename Part>
Part load_part(const std::string& path, int format, compression stored_as) {
  Part part;
  part.set_payload(read_whole(path));
  part.set_format(static_cast<vexal_part_payload::format>(format));
  part.set_compression(stored_as);
  return part;
}

}  // namespace

const std::vector<std::string>& compression_names() {
  static const std::vector<std::string> names = {"none",
                                                 "zlib_default",
                                                 "zlib_best_speed",
                                                 "zlib_best_compression",
                                                 "zlib_level_1",
                                                 "zlib_level_2",
                                                 "zlib_level_3",
                                                 "zlib_level_4",
                                                 "zlib_level_5",
                                                 "zlib_level_6",
                                                 "zlib_level_7",
                                                 "zlib_level_8",
                                                 "zlib_level_9"};
  return names;
}

void run_pack(const pack_options& options) {
  // Every option is checked before any input is read.
  const compression both =
      compression_named(options.compression, "--compression");
  const compression first_as =
      options.first_compression.empty()
          ? both
          : compression_named(options.first_compression, "--first-compression");
  const compression second_as =
      options.second_compression.empty()
          ? both
          : compression_named(options.second_compression,
                              "--second-compression");
  if (options.first == "-" && options.second == "-") {
    throw tool_error(exit_bad_usage,
                     "FIRST and SECOND cannot both be standard input");
  }

  const vexal message(load_part<vexal_first_part>(
                          options.first, options.first_format, first_as),
                      load_part<vexal_second_part>(
                          options.second, options.second_format, second_as));
  std::vector<uint8_t> wire;
  try {
    message.compose(wire);
  } catch (const std::exception& error) {
    throw tool_error(
        exit_bad_usage,
        std::string("cannot compose the message: ") + error.what());
  }
  write_output(options.output, wire, options.append);
}

}  // namespace kelvo::tool
