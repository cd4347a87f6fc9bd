// SPDX-License-Identifier: MIT
// The files that the `vexal` tool reads and writes; the name "-" stands for
// standard input or standard output.
//
// Output files are written whole or not at all: the bytes go to a temporary
// file beside the target, which then takes the target's place by rename, so a
// failed command leaves an existing file as it was.
#ifndef VEXAL_TOOLS_FILE_IO_HPP
#define VEXAL_TOOLS_FILE_IO_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::tool {

/// An open input, a file or standard input; owns its descriptor.
class input_file {
 public:
  /// Opens `path` ("-": standard input).
  /// @throws tool_error (exit_bad_usage) naming the path and the reason.
  explicit input_file(const std::string& path);
  ~input_file();
  input_file(const input_file&) = delete;
  input_file& operator=(const input_file&) = delete;

  /// The name for messages: the path, or "stdin".
  const std::string& name() const { return name_; }

  /// Appends up to 64 KiB of input to `buffer`, waiting only until some
  /// bytes are there; returns how many, 0 at the end of the input. Flushes
  /// standard output first, so that what was printed for earlier input shows
  /// before the tool waits for more.
  /// @throws tool_error (exit_bad_usage) on a read error.
  size_t read_append(std::vector<uint8_t>& buffer);

 private:
  int fd_;
  std::string name_;
};

/// All bytes of `path` ("-": standard input).
/// @throws tool_error (exit_bad_usage) when the input cannot be read.
std::vector<uint8_t> read_whole(const std::string& path);

/// Writes `bytes` to `path` ("-": standard output). A file is replaced or,
/// with `append`, extended in one step; when anything fails, `path` is left
/// as it was. @throws tool_error (exit_bad_usage) naming `path`.
void write_output(const std::string& path, const std::vector<uint8_t>& bytes,
                  bool append);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_FILE_IO_HPP
