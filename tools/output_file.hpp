// SPDX-License-Identifier: MIT
// Where the `vexal` tool writes what it makes, and how, so that no data is
// lost or clobbered:
// - "-" is standard output, written after what was printed before.
// - A regular file, or the regular file that a symlink leads to, is replaced
//   whole or not at all: the bytes go to a new file beside it, which is
//   flushed to disk, takes the old file's mode and (where permitted) owner,
//   and is renamed over it; the folder is flushed too. A symlink stays a
//   symlink. Other names of a hard-linked file keep the old contents.
// - With `append`, the bytes are added to the end of a regular file in place,
//   in one write with O_APPEND under an exclusive flock(2), so that appends
//   running at the same time never lose one another's bytes; a failed append
//   cuts the file back to its old length.
// - Anything else (a device, a FIFO) is opened and written as it is.
#ifndef VEXAL_TOOLS_OUTPUT_FILE_HPP
#define VEXAL_TOOLS_OUTPUT_FILE_HPP

#include <functional>
#include <initializer_list>
#include <string>

#include "descriptor_io.hpp"

namespace kelvo::tool {

/// Writes `bytes`, in order, to `path` as the file comment says.
/// @throws output_closed when the reader of a pipe went away; tool_error
///   (exit_bad_usage) "PATH: <reason>" for any other failure, with an
///   existing regular file as it was.
void write_output(const std::string& path,
                  std::initializer_list<byte_span> bytes, bool append);

/// Writes bytes as they are made: `write` is called once with the open
/// descriptor and writes to it with write_all (descriptor_io.hpp), under the
/// same rules, so that a replaced file appears only when `write` returned.
/// What `write` throws passes on, with an existing regular file as it was.
using output_writer = std::function<void(int fd)>;
void write_output(const std::string& path, bool append,
                  const output_writer& write);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_OUTPUT_FILE_HPP
