// SPDX-License-Identifier: MIT
// The three ways to write an output: replace a regular file through a new
// file and rename, append in place under a lock, or write straight to
// anything else.
#include "output_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "standard_output.hpp"
#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

// The most symlinks followed in a row, as the kernel allows (MAXSYMLINKS).
constexpr int max_symlinks = 40;

// An open descriptor, closed once; close errors are reported by `close()`.
class descriptor {
 public:
  descriptor(int fd, const std::string& name) : fd_(fd) {
    if (fd_ < 0) throw_system_error(name);
  }
  ~descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;

  int get() const { return fd_; }
  void close(const std::string& name) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw_system_error(name);
  }

 private:
  int fd_;
};

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The path that `path` leads to through any symlinks; it may not exist yet
// (a dangling symlink names the file to create).
std::string follow_symlinks(const std::string& path, const std::string& name) {
  std::string at = path;
  for (int hops = 0; hops <= max_symlinks; ++hops) {
    struct stat status;
    if (::lstat(at.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      return at;
    }
    char link[PATH_MAX];
    const ssize_t length = ::readlink(at.c_str(), link, sizeof link);
    if (length < 0) throw_system_error(name);
    const std::string target(link, static_cast<size_t>(length));
    at = target.front() == '/' ? target : folder_of(at) + "/" + target;
  }
  errno = ELOOP;
  throw_system_error(name);
}

void flush_folder(const std::string& file, const std::string& name) {
  descriptor folder(
      ::open(folder_of(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
      name);
  if (::fsync(folder.get()) != 0) throw_system_error(name);
}

// A new file beside `target`, removed unless `commit` renames it over
// `target`.
class replacement {
 public:
  replacement(const std::string& target, const std::string& name)
      : target_(target), temp_(make_temp(target)), file_(open_temp(), name) {}
  ~replacement() {
    if (!committed_) ::unlink(temp_.c_str());
  }
  replacement(const replacement&) = delete;
  replacement& operator=(const replacement&) = delete;

  int fd() const { return file_.get(); }

  void commit(const std::string& name) {
    if (::fsync(file_.get()) != 0) throw_system_error(name);
    file_.close(name);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
      throw_system_error(name);
    }
    committed_ = true;
    flush_folder(target_, name);
  }

 private:
  static std::string make_temp(const std::string& target) {
    return target + ".tmp-XXXXXX";
  }
  int open_temp() { return ::mkostemp(temp_.data(), O_CLOEXEC); }

  std::string target_;
  std::string temp_;
  descriptor file_;
  bool committed_ = false;
};

void replace(const std::string& target, const struct stat* existing,
             const output_writer& write, const std::string& name) {
  replacement out(target, name);
  mode_t mode;
  if (existing != nullptr) {
    // Owner first: a change of owner clears the set-user-ID bits.
    if (::fchown(out.fd(), existing->st_uid, existing->st_gid) != 0) {
      (void)!::fchown(out.fd(), static_cast<uid_t>(-1), existing->st_gid);
    }
    mode = existing->st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(out.fd(), mode) != 0) throw_system_error(name);
  write(out.fd());
  out.commit(name);
}

void append_locked(const std::string& target, const output_writer& write,
                   const std::string& name) {
  descriptor out(
      ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666),
      name);
  int locked;
  do {
    locked = ::flock(out.get(), LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) throw_system_error(name);
  struct stat before;
  if (::fstat(out.get(), &before) != 0) throw_system_error(name);
  try {
    write(out.get());
    if (::fsync(out.get()) != 0) throw_system_error(name);
  } catch (...) {
    (void)!::ftruncate(out.get(), before.st_size);
    throw;
  }
  out.close(name);  // also releases the lock
}

void write_directly(const std::string& target, const output_writer& write,
                    bool append, const std::string& name) {
  descriptor out(
      ::open(target.c_str(), O_WRONLY | O_CLOEXEC | (append ? O_APPEND : 0)),
      name);
  write(out.get());
  out.close(name);
}

}  // namespace

void write_output(const std::string& path,
                  std::initializer_list<byte_span> bytes, bool append) {
  write_output(path, append, [&](int fd) {
    write_all(fd, bytes, path == "-" ? "stdout" : path);
  });
}

void write_output(const std::string& path, bool append,
                  const output_writer& write) {
  if (path == "-") {
    flush_output();
    write(STDOUT_FILENO);
    return;
  }
  const std::string target = follow_symlinks(path, path);
  struct stat existing;
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) throw_system_error(path);
  if (exists && !S_ISREG(existing.st_mode)) {
    write_directly(target, write, append, path);
  } else if (append) {
    append_locked(target, write, path);
  } else {
    replace(target, exists ? &existing : nullptr, write, path);
  }
}

}  // namespace kelvo::tool
