// SPDX-License-Identifier: MIT
// The failures of the `vexal` tool. A tool_error is a one-line message and
// the exit status the run ends with: commands throw it, and main prints
// "vexal: " and the message on standard error and exits with the status.
// output_closed ends a run whose reader went away (a closed pipe): quietly,
// with status 0, since everything the reader took was written.
#ifndef VEXAL_TOOLS_TOOL_ERROR_HPP
#define VEXAL_TOOLS_TOOL_ERROR_HPP

#include <stdexcept>
#include <string>

namespace kelvo::tool {

/// The exit statuses of the tool, as `--help` and docs/tool.md list them.
enum exit_status : int {
  exit_ok = 0,           ///< Every message was read, or the output written.
  exit_bad_message = 1,  ///< The input holds a malformed or incomplete message.
  exit_bad_usage = 2,    ///< Unreadable file, bad option value, failed write.
};

/// A failure to report with its exit status.
class tool_error : public std::runtime_error {
 public:
  tool_error(exit_status status, const std::string& message)
      : std::runtime_error(message), status_(status) {}

  exit_status status() const { return status_; }

 private:
  exit_status status_;
};

/// The reader of an output went away (EPIPE).
class output_closed : public std::runtime_error {
 public:
  output_closed() : std::runtime_error("the output's reader went away") {}
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_TOOL_ERROR_HPP
