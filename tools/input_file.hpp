// SPDX-License-Identifier: MIT
// An input of the `vexal` tool: a file, or standard input for the name "-".
// It knows how many bytes are left when the input is a regular file, so that
// buffers can be sized before anything is read. Each read of a regular file
// holds a shared flock(2), so it never sees half of an append that
// output_file.hpp makes under the exclusive lock.
#ifndef VEXAL_TOOLS_INPUT_FILE_HPP
#define VEXAL_TOOLS_INPUT_FILE_HPP

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "byte_buffer.hpp"

namespace kelvo::tool {

/// Reads up to `size` bytes into `data`; returns how many, 0 at the end.
using byte_source = std::function<size_t(uint8_t* data, size_t size)>;

/// An open input; owns its descriptor (not standard input's).
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

  /// Reads up to `size` bytes into `data`, waiting only until some are
  /// there; returns how many, 0 at the end of the input.
  /// @throws tool_error (exit_bad_usage) on a read error.
  size_t read_some(uint8_t* data, size_t size);

  /// Appends every byte up to the end of the input to `out`: a regular
  /// file's read in one piece straight into `out`, a pipe's step by step as
  /// they come, never zero-filled.
  /// @throws tool_error (exit_bad_usage) on a read error, or when the input
  ///   holds more than `limit` bytes: before reading any where the size is
  ///   known, else as soon as the limit is passed.
  void append_all(std::vector<uint8_t>& out, uint64_t limit);
  /// The same into a buffer that grows without copying itself.
  void append_all(byte_buffer& out, uint64_t limit);

  /// True when `other` describes this input's file (same device and inode).
  bool is(const struct stat& other) const;

  /// The bytes left in a regular file; nothing for a pipe, a terminal or a
  /// device, whose length is known only at their end.
  /// @throws tool_error (exit_bad_usage) when more than `limit` are left.
  std::optional<uint64_t> size_left(uint64_t limit) const;

 private:
  // Fills `data` with exactly `size` bytes; throws when the input ends
  // before (it shrank while being read).
  void read_exact(uint8_t* data, size_t size);
  // Both `append_all`s.
  template <typename Buffer>
  void append_rest(Buffer& out, uint64_t limit);

  int fd_;
  std::string name_;
  bool regular_;  ///< A regular file, read under a shared lock.
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_INPUT_FILE_HPP
