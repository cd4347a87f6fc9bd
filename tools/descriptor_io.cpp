// SPDX-License-Identifier: MIT
// Checked read(2) and writev(2): interrupted calls are retried, and a short
// write goes on where it stopped.
#include "descriptor_io.hpp"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tool_error.hpp"

namespace kelvo::tool {

void throw_system_error(const std::string& name) {
  throw tool_error(exit_bad_usage, name + ": " + std::strerror(errno));
}

void write_all(int fd, std::initializer_list<byte_span> spans,
               const std::string& name) {
  std::vector<iovec> pending;
  for (const byte_span& span : spans) {
    if (span.size > 0) {
      pending.push_back({const_cast<uint8_t*>(span.data), span.size});
    }
  }
  size_t first = 0;
  while (first < pending.size()) {
    const ssize_t written = ::writev(fd, pending.data() + first,
                                     static_cast<int>(pending.size() - first));
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE) throw output_closed();
      throw_system_error(name);
    }
    // Skip what was written: whole spans, then the front of a partial one.
    auto left = static_cast<size_t>(written);
    while (first < pending.size() && left >= pending[first].iov_len) {
      left -= pending[first].iov_len;
      ++first;
    }
    if (left > 0) {
      pending[first].iov_base =
          static_cast<uint8_t*>(pending[first].iov_base) + left;
      pending[first].iov_len -= left;
    }
  }
}

size_t read_some(int fd, uint8_t* data, size_t size, const std::string& name) {
  for (;;) {
    const ssize_t got = ::read(fd, data, size);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw_system_error(name);
  }
}

}  // namespace kelvo::tool
