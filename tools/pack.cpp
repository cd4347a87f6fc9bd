// SPDX-License-Identifier: MIT
// `vexal pack`: one message from the bytes of two files, with a compression
// and a format for each part, written to or appended to the output.
//
// Memory: each input is read into a buffer of its own size (a pipe's grows
// as it is read), and the library composes the message into one more buffer,
// so a message of raw parts costs about twice its size.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vexal/vexal.hpp>

#include "commands.hpp"
#include "input_file.hpp"
#include "output_file.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

using vexal_part_payload::compression;

// A compressed part's input may be longer than a part can store
// (vexal_max_stored_size); the library checks what it stores.
constexpr uint64_t no_limit = std::numeric_limits<uint64_t>::max();

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

// A part of type `Part` carrying the bytes of `input`, in a buffer sized
// from the input's size where it has one. A part stored as is holds at most
// `vexal_max_stored_size` bytes, refused before they are read.
template <typename Part>
Part load_part(input_file& input, int format, compression stored_as) {
  Part part;
  part.set_payload(input.read_all(
      stored_as == compression::none ? vexal_max_stored_size : no_limit));
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

exit_status run_pack(const pack_options& options) {
  // Every option is checked and every input opened before anything is read.
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
  input_file first(options.first);
  input_file second(options.second);

  const vexal message(
      load_part<vexal_first_part>(first, options.first_format, first_as),
      load_part<vexal_second_part>(second, options.second_format, second_as));
  std::vector<uint8_t> wire;
  try {
    message.compose(wire);
  } catch (const std::exception& error) {
    throw tool_error(
        exit_bad_usage,
        std::string("cannot compose the message: ") + error.what());
  }
  write_output(options.output, {{wire.data(), wire.size()}}, options.append);
  return exit_ok;
}

}  // namespace kelvo::tool
