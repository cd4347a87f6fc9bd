// SPDX-License-Identifier: MIT
// The tool's standard output: text is gathered in a buffer and written with
// checked writes, so that a full disk or a broken device is reported rather
// than lost (see descriptor_io.hpp). Reports go out in order with everything
// written to "-" through output_file.hpp.
#ifndef VEXAL_TOOLS_STANDARD_OUTPUT_HPP
#define VEXAL_TOOLS_STANDARD_OUTPUT_HPP

#include <string_view>

namespace kelvo::tool {

/// Adds `text` to standard output; writes the buffer once it is large.
/// @throws output_closed, tool_error as descriptor_io.hpp says.
void print(std::string_view text);

/// Writes what `print` has buffered.
/// @throws output_closed, tool_error as descriptor_io.hpp says.
void flush_output();

/// Writes "vexal: " and `line` to standard error, after what is buffered for
/// standard output, so that a terminal shows both in order.
/// @throws output_closed, tool_error as descriptor_io.hpp says, for standard
///   output; a failed write to standard error is not reported.
void print_error(std::string_view line);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_STANDARD_OUTPUT_HPP
