// SPDX-License-Identifier: MIT
// Following a file with inotify(7) where it works, else by polling: either
// way the wait ends after 100 ms at most, and the file is looked at again.
#include "followed_file.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>

#include "descriptor_io.hpp"

namespace kelvo::tool {
namespace {

constexpr int poll_ms = 100;

volatile std::sig_atomic_t interrupted = 0;

void on_interrupt(int /*signal*/) { interrupted = 1; }

}  // namespace

followed_file::followed_file(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw_system_error(path_);
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  watch();
  // No SA_RESTART: the signal also ends a wait in poll(2) at once.
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  ::sigaction(SIGINT, &action, nullptr);
}

followed_file::~followed_file() {
  ::close(fd_);
  if (inotify_ >= 0) ::close(inotify_);
}

void followed_file::watch() {
  if (inotify_ >= 0 &&
      ::inotify_add_watch(
          inotify_, path_.c_str(),
          IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF) < 0) {
    ::close(inotify_);
    inotify_ = -1;
  }
}

void followed_file::wait() {
  struct pollfd event = {inotify_, POLLIN, 0};
  if (::poll(&event, inotify_ >= 0 ? 1 : 0, poll_ms) > 0) {
    std::array<char, 4096> drained;
    while (::read(inotify_, drained.data(), drained.size()) > 0) {
    }
  }
}

size_t followed_file::read_some(uint8_t* data, size_t size) {
  for (;;) {
    if (interrupted != 0) {
      stopped_ = stop::interrupted;
      return 0;
    }
    const size_t got = tool::read_some(fd_, data, size, path_);
    if (got > 0) return got;
    struct stat open_file;
    struct stat named;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (::fstat(fd_, &open_file) != 0) throw_system_error(path_);
    if (open_file.st_size < at) {
      stopped_ = stop::truncated;
      return 0;
    }
    // A name that leads nowhere for now (removed, not yet written again)
    // is waited for.
    if (::stat(path_.c_str(), &named) == 0 &&
        (named.st_ino != open_file.st_ino ||
         named.st_dev != open_file.st_dev)) {
      stopped_ = stop::replaced;
      return 0;
    }
    wait();
  }
}

void followed_file::restart() {
  if (stopped_ == stop::replaced) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw_system_error(path_);
    ::close(fd_);
    fd_ = fd;
    watch();
  } else if (::lseek(fd_, 0, SEEK_SET) < 0) {
    throw_system_error(path_);
  }
  stopped_ = stop::none;
}

}  // namespace kelvo::tool
