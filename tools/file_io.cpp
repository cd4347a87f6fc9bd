// SPDX-License-Identifier: MIT
// Input and output files of the `vexal` tool over POSIX descriptors: reads
// return as soon as a pipe has bytes, and outputs are replaced by rename.
#include "file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t read_chunk = 64 * 1024;

// "PATH: <the system's reason>" for the errno of the call that just failed.
[[noreturn]] void throw_system_error(const std::string& name) {
  throw tool_error(exit_bad_usage, name + ": " + std::strerror(errno));
}

void write_all(int fd, const uint8_t* data, size_t size,
               const std::string& name) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw_system_error(name);
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

// A temporary file beside `target` that takes its place on `commit()` and is
// removed if it never does.
class replacement_file {
 public:
  explicit replacement_file(const std::string& target)
      : target_(target),
        temp_(target + ".tmp" + std::to_string(::getpid())),
        fd_(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                   0666)) {
    if (fd_ < 0) throw_system_error(target_);
  }
  ~replacement_file() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
  }
  replacement_file(const replacement_file&) = delete;
  replacement_file& operator=(const replacement_file&) = delete;

  void write(const uint8_t* data, size_t size) {
    write_all(fd_, data, size, target_);
  }

  // Gives the new file the mode of the one it replaces.
  void keep_mode_of(const struct stat& existing) {
    if (::fchmod(fd_, existing.st_mode & 07777) != 0) {
      throw_system_error(target_);
    }
  }

  void commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw_system_error(target_);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
      throw_system_error(target_);
    }
    committed_ = true;
  }

 private:
  std::string target_;
  std::string temp_;
  int fd_;
  bool committed_ = false;
};

}  // namespace

input_file::input_file(const std::string& path)
    : fd_(path == "-" ? STDIN_FILENO
                      : ::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
      name_(path == "-" ? "stdin" : path) {
  if (fd_ < 0) throw_system_error(name_);
}

input_file::~input_file() {
  if (fd_ != STDIN_FILENO) ::close(fd_);
}

size_t input_file::read_append(std::vector<uint8_t>& buffer) {
  std::cout.flush();
  const size_t used = buffer.size();
  buffer.resize(used + read_chunk);
  ssize_t got;
  do {
    got = ::read(fd_, buffer.data() + used, read_chunk);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    buffer.resize(used);  // shrinking leaves errno alone
    throw_system_error(name_);
  }
  buffer.resize(used + static_cast<size_t>(got));
  return static_cast<size_t>(got);
}

std::vector<uint8_t> read_whole(const std::string& path) {
  input_file input(path);
  std::vector<uint8_t> bytes;
  while (input.read_append(bytes) > 0) {
  }
  return bytes;
}

void write_output(const std::string& path, const std::vector<uint8_t>& bytes,
                  bool append) {
  if (path == "-") {
    write_all(STDOUT_FILENO, bytes.data(), bytes.size(), "stdout");
    return;
  }
  replacement_file out(path);
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0) {
    out.keep_mode_of(existing);
    if (append) {
      const std::vector<uint8_t> old = read_whole(path);
      out.write(old.data(), old.size());
    }
  }
  out.write(bytes.data(), bytes.size());
  out.commit();
}

}  // namespace kelvo::tool
