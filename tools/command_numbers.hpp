// SPDX-License-Identifier: MIT
// Numbers given on the command line, checked in full: a value that is not a
// plain decimal number in range is refused with a line that says what is
// allowed, never wrapped or cut.
#ifndef VEXAL_TOOLS_COMMAND_NUMBERS_HPP
#define VEXAL_TOOLS_COMMAND_NUMBERS_HPP

#include <cstdint>
#include <string>
#include <vexal/reader.hpp>

#include "commands.hpp"

namespace kelvo::tool {

/// `text` as a message index (0, 1, ...), for the option `option`.
/// @throws tool_error (exit_bad_usage) naming the option and the range.
uint64_t parse_index(const std::string& text, const std::string& option);

/// The limits that `options` give: each a number of bytes, optionally
/// followed by K, M or G (times 1024, 1024^2, 1024^3), or "unlimited";
/// empty for the library's default.
/// @throws tool_error (exit_bad_usage) naming the option and what it takes.
vexal_limits parse_limits(const limit_options& options);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_COMMAND_NUMBERS_HPP
