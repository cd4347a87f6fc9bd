// SPDX-License-Identifier: MIT
// `vexal pack`: one message from the bytes of two files, with a compression
// and a format for each part, written to or appended to the output.
//
// Memory: the message is built in one buffer, reserved once from the sizes of
// the inputs. A part stored as is costs nothing beyond its own bytes: the
// library gives its header and the input is read straight in behind it. A
// pipe's size is known only at its end, so the buffer grows as a pipe is
// read, without copying itself (byte_buffer.hpp). A compressed part is
// composed by the library, from its payload, into a buffer of its own before
// the message is built (payload, compressed bytes and the library's copy of
// them at once), and then copied into place. docs/tool.md gives measured peaks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>
#include <vexal/vexal.hpp>

#include "byte_buffer.hpp"
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

// Runs `compose`, a library call that adds to the message; the library's
// refusal ends the run with its message.
template <typename Compose>
void composing(Compose&& compose) {
  try {
    compose();
  } catch (const std::exception& error) {
    throw tool_error(
        exit_bad_usage,
        std::string("cannot compose the message: ") + error.what());
  }
}

// One part of the message and the input that it is made from.
class planned_part {
 public:
  planned_part(input_file& input, vexal_part_type type, int format,
               compression stored_as)
      : input_(input),
        part_(type, std::vector<uint8_t>(),
              static_cast<vexal_part_payload::format>(format), stored_as) {}

  // The bytes that a part stored as is takes in the message, where the
  // input's size is known (0 for a pipe, and for a compressed part). One of
  // more than `vexal_max_stored_size` bytes is refused here, unread.
  size_t stored_room() const {
    if (!stored_as_is()) return 0;
    return vexal_part_header_size +
           input_.size_left(vexal_max_stored_size).value_or(0);
  }

  // Composes a compressed part, from its input, and returns its size in the
  // message; 0 for a part stored as is.
  size_t compressed_room() {
    if (stored_as_is()) return 0;
    compose_compressed();
    return composed_.size();
  }

  // Appends the part to `wire`. A part stored as is gets its header first,
  // announcing no bytes, then the input's bytes read straight in, then the
  // header again, composed over the first with the count now known.
  void append_to(byte_buffer& wire) {
    if (!stored_as_is()) {
      wire.append(composed_.data(), composed_.size());
      std::vector<uint8_t>().swap(composed_);
      return;
    }
    const size_t header_at = wire.size();
    const std::vector<uint8_t> provisional = header(0);
    wire.append(provisional.data(), provisional.size());
    const size_t stored_at = wire.size();
    input_.append_all(wire, vexal_max_stored_size);
    const std::vector<uint8_t> counted = header(wire.size() - stored_at);
    std::copy(counted.begin(), counted.end(), wire.data() + header_at);
  }

 private:
  bool stored_as_is() const {
    return part_.get_compression() == compression::none;
  }

  // The part's header alone, announcing `stored_size` stored bytes.
  std::vector<uint8_t> header(size_t stored_size) const {
    std::vector<uint8_t> bytes;
    composing([&] { part_.compose_header(bytes, stored_size); });
    return bytes;
  }

  // The whole part, composed by the library from the input's bytes, which
  // are released again before the message is built.
  void compose_compressed() {
    std::vector<uint8_t> payload;
    input_.append_all(payload, no_limit);
    part_.set_payload(std::move(payload));
    composing([&] { part_.compose(composed_); });
    part_.set_payload(std::vector<uint8_t>());
  }

  input_file& input_;
  vexal_any_part part_;
  std::vector<uint8_t> composed_;
};

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

  // Type 1 first, then type 0, as a message holds them.
  planned_part parts[] = {
      {first, vexal_part_type::first, options.first_format, first_as},
      {second, vexal_part_type::second, options.second_format, second_as}};
  // Parts stored as is are sized first, so that one too long is refused
  // before any input is read.
  size_t size = 0;
  for (const planned_part& part : parts) size += part.stored_room();
  for (planned_part& part : parts) size += part.compressed_room();
  byte_buffer wire;
  wire.reserve(size);
  for (planned_part& part : parts) part.append_to(wire);
  write_output(options.output, {{wire.data(), wire.size()}}, options.append);
  return exit_ok;
}

}  // namespace kelvo::tool
