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

// `count` more bytes at the end of `out`, and where they start.
uint8_t* extend(std::vector<uint8_t>& out, size_t count) {
  const size_t at = out.size();
  out.resize(at + count);
  return out.data() + at;
}

uint8_t* extend(byte_buffer& out, size_t count) { return out.extend(count); }

void append(std::vector<uint8_t>& out, const uint8_t* bytes, size_t count) {
  out.insert(out.end(), bytes, bytes + count);
}

void append(byte_buffer& out, const uint8_t* bytes, size_t count) {
  out.append(bytes, count);
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

bool input_file::is(const struct stat& other) const {
  struct stat status;
  return ::fstat(fd_, &status) == 0 && status.st_dev == other.st_dev &&
         status.st_ino == other.st_ino;
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

template <typename Buffer>
void input_file::append_rest(Buffer& out, uint64_t limit) {
  if (const std::optional<uint64_t> size = size_left(limit)) {
    const auto count = static_cast<size_t>(*size);
    read_exact(extend(out, count), count);
    return;
  }
  std::array<uint8_t, pipe_step> step;
  uint64_t total = 0;
  while (const size_t got = read_some(step.data(), step.size())) {
    if (got > limit - total) throw_too_long(name_, limit);
    total += got;
    append(out, step.data(), got);
  }
}

void input_file::append_all(std::vector<uint8_t>& out, uint64_t limit) {
  append_rest(out, limit);
}

void input_file::append_all(byte_buffer& out, uint64_t limit) {
  append_rest(out, limit);
}

}  // namespace kelvo::tool
