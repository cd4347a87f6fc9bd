// SPDX-License-Identifier: MIT
// `inspect --follow`: a file that another program is still appending to.
// Reads wait at its end for more bytes, woken by inotify(7) or, where that is
// not to be had, every 100 ms, until the run is interrupted (SIGINT) or the
// file is truncated or replaced by another under its name.
#ifndef VEXAL_TOOLS_FOLLOWED_FILE_HPP
#define VEXAL_TOOLS_FOLLOWED_FILE_HPP

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvo::tool {

/// One followed file; owns its descriptors. Installs a SIGINT handler that
/// ends the waiting.
class followed_file {
 public:
  /// Why a read returned 0.
  enum class stop { none, interrupted, truncated, replaced };

  /// Opens `path`. @throws tool_error (exit_bad_usage) naming the path.
  explicit followed_file(const std::string& path);
  ~followed_file();
  followed_file(const followed_file&) = delete;
  followed_file& operator=(const followed_file&) = delete;

  /// Reads up to `size` bytes, waiting until some are there; 0 once the
  /// run is interrupted or the file truncated or replaced (see `stopped`).
  /// @throws tool_error (exit_bad_usage) on a read error.
  size_t read_some(uint8_t* data, size_t size);

  /// Why the last read returned 0.
  stop stopped() const { return stopped_; }

  /// After a truncation or replacement: reads the file under the name from
  /// its start.
  void restart();

 private:
  void watch();
  void wait();

  std::string path_;
  int fd_ = -1;
  int inotify_ = -1;  ///< -1: polling every 100 ms
  stop stopped_ = stop::none;
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_FOLLOWED_FILE_HPP
