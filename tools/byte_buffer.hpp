// SPDX-License-Identifier: MIT
// A run of bytes that grows without holding two copies of itself, for a
// message whose length is known only once a pipe has been read. It grows with
// realloc(3), which moves a large block by remapping its pages (glibc serves
// large blocks with mmap(2) and grows them with mremap(2)) rather than
// copying them into a new block, as a std::vector does. Room past the size is
// never written, so it costs address space, not memory.
#ifndef VEXAL_TOOLS_BYTE_BUFFER_HPP
#define VEXAL_TOOLS_BYTE_BUFFER_HPP

#include <cstddef>
#include <cstdint>

namespace kelvo::tool {

/// Bytes owned in one block of memory; the block may move as it grows.
class byte_buffer {
 public:
  byte_buffer() = default;
  ~byte_buffer();
  byte_buffer(const byte_buffer&) = delete;
  byte_buffer& operator=(const byte_buffer&) = delete;

  /// The first byte; valid until the buffer next grows.
  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

  /// Room for `capacity` bytes in all, so that appends up to that size do
  /// not grow the block. @throws std::bad_alloc
  void reserve(size_t capacity);
  /// Adds `count` bytes at the end, not initialised, growing the block at
  /// least twofold when it is full. @return where they start.
  /// @throws std::bad_alloc, with the buffer unchanged.
  uint8_t* extend(size_t count);
  /// Adds a copy of `count` bytes from `bytes` at the end.
  /// @throws std::bad_alloc, with the buffer unchanged.
  void append(const uint8_t* bytes, size_t count);

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_BYTE_BUFFER_HPP
