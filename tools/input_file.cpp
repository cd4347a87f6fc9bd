// SPDX-License-Identifier: MIT
// Inputs over POSIX descriptors. Reads return as soon as a pipe has bytes;
// a pipe is read in fixed steps into a growing buffer, never zero-filled.
#include "input_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "descriptor_io.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t pipe_step = 64 * 1024;

[[noreturn]] void throw_too_long(const std::string& name, uint64_t limit) {
  throw tool_error(exit_bad_usage, name + ": more than " +
                                       std::to_string(limit) +
                                       " bytes, too long for one part");
}

}  // namespace

input_file::input_file(const std::string& path)
    : fd_(path == "-" ? STDIN_FILENO
                      : ::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
      name_(path == "-" ? "stdin" : path) {
  if (fd_ < 0) throw_system_error(name_);
  struct stat status;
  regular_ = ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
}

input_file::~input_file() {
  if (fd_ != STDIN_FILENO) ::close(fd_);
}

std::optional<uint64_t> input_file::size_left(uint64_t limit) const {
  struct stat status;
  if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) return {};
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0 || at > status.st_size) return {};
  const auto size = static_cast<uint64_t>(status.st_size - at);
  if (size > limit) throw_too_long(name_, limit);
  return size;
}

size_t input_file::read_some(uint8_t* data, size_t size) {
  if (!regular_) return tool::read_some(fd_, data, size, name_);
  // Where the file system has no locks, the read goes ahead without one.
  while (::flock(fd_, LOCK_SH) != 0 && errno == EINTR) {
  }
  const size_t got = tool::read_some(fd_, data, size, name_);
  ::flock(fd_, LOCK_UN);
  return got;
}

void input_file::read_exact(uint8_t* data, size_t size) {
  while (size > 0) {
    const size_t got = read_some(data, size);
    if (got == 0) {
      throw tool_error(exit_bad_usage, name_ + ": shrank while being read");
    }
    data += got;
    size -= got;
  }
}

std::vector<uint8_t> input_file::read_all(uint64_t limit) {
  std::vector<uint8_t> bytes;
  if (const std::optional<uint64_t> size = size_left(limit)) {
    bytes.resize(static_cast<size_t>(*size));
    read_exact(bytes.data(), bytes.size());
    return bytes;
  }
  std::array<uint8_t, pipe_step> step;
  while (const size_t got = read_some(step.data(), step.size())) {
    if (got > limit - bytes.size()) throw_too_long(name_, limit);
    bytes.insert(bytes.end(), step.begin(), step.begin() + got);
  }
  return bytes;
}

}  // namespace kelvo::tool
