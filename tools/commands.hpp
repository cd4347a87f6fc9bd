// SPDX-License-Identifier: MIT
// The commands of the `vexal` tool: what each takes from the command line and
// the function that runs it. Each run function reports a failure by throwing
// tool_error; it returns the exit status when the command ran to its end.
#ifndef VEXAL_TOOLS_COMMANDS_HPP
#define VEXAL_TOOLS_COMMANDS_HPP

#include <string>
#include <vector>

#include "tool_error.hpp"

namespace kelvo::tool {

/// The limits on what one message may cost, as given; empty: the library's
/// default. Checked when the command runs (command_numbers.hpp).
struct limit_options {
  std::string max_message_size;
  std::string max_payload_size;
};

struct inspect_options {
  std::vector<std::string> inputs;  ///< Empty: standard input.
  bool json = false;                ///< One JSON object per message.
  bool keep_going = false;          ///< Report a bad message, skip it, go on.
  bool levels = false;              ///< Try every compression on each part.
  bool hex = false;                 ///< Annotated dumps instead of reports.
  bool hex_all = false;             ///< The same, every stored byte shown.
  bool follow = false;  ///< Wait for more at the end of the one input.
  limit_options limits;
};

/// Prints every message of every input in order, then a summary line
/// (text only). @return exit_bad_message when `keep_going` skipped a
/// message, else exit_ok.
exit_status run_inspect(const inspect_options& options);

struct pack_options {
  std::string first;   ///< File of the type-1 payload.
  std::string second;  ///< File of the type-0 payload.
  std::string output = "-";
  bool append = false;
  std::string compression = "none";  ///< For both parts...
  std::string first_compression;     ///< ...unless set here (non-empty)
  std::string second_compression;    ///< or here.
  int first_format = 0;
  int second_format = 0;
};

/// The compression names that `pack` takes, in the order of their values.
const std::vector<std::string>& compression_names();

/// Composes one message from two files and writes or appends it.
exit_status run_pack(const pack_options& options);

struct unpack_options {
  std::string input;
  std::string index = "0";    ///< Which message, as given; checked when run.
  std::string first_output;   ///< Empty: the type-1 payload is not written.
  std::string second_output;  ///< Empty: the type-0 payload is not written.
  limit_options limits;
};

/// Writes the decompressed payloads of one message.
exit_status run_unpack(const unpack_options& options);

struct salvage_options {
  std::string input;
  std::string output;
  limit_options limits;
};

/// Writes the whole messages of a damaged input to the output.
/// @return exit_bad_message when any byte was dropped, else exit_ok.
exit_status run_salvage(const salvage_options& options);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_COMMANDS_HPP
