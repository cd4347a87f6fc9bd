// SPDX-License-Identifier: MIT
// Reads and writes on POSIX descriptors for the `vexal` tool, every call
// checked: a failure becomes "NAME: <the system's reason>" with exit status 2,
// and a write whose reader went away (EPIPE) becomes output_closed.
#ifndef VEXAL_TOOLS_DESCRIPTOR_IO_HPP
#define VEXAL_TOOLS_DESCRIPTOR_IO_HPP

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace kelvo::tool {

/// Bytes to write: a pointer and a length, owned elsewhere.
struct byte_span {
  const uint8_t* data;
  size_t size;
};

/// Throws tool_error (exit_bad_usage) "NAME: <strerror(errno)>".
[[noreturn]] void throw_system_error(const std::string& name);

/// Writes all of `spans` to `fd` in order, in one call when the descriptor
/// takes them all at once. @throws output_closed on EPIPE, tool_error naming
/// `name` on any other failure.
void write_all(int fd, std::initializer_list<byte_span> spans,
               const std::string& name);

/// Reads up to `size` bytes, waiting only until some are there; 0 at the end.
/// @throws tool_error naming `name`.
size_t read_some(int fd, uint8_t* data, size_t size, const std::string& name);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_DESCRIPTOR_IO_HPP
