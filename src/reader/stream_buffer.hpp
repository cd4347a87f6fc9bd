// SPDX-License-Identifier: MIT
// The bytes a stream reader holds: one block with the unconsumed bytes at
// [begin, end) and free room after them, which a caller may write into
// before committing it. The block is not zero-filled: room costs nothing
// until it is written.
#ifndef VEXAL_SRC_READER_STREAM_BUFFER_HPP
#define VEXAL_SRC_READER_STREAM_BUFFER_HPP

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kelvo::detail {

class stream_buffer {
 public:
  // The first unconsumed byte, and how many there are.
  const uint8_t* data() const { return block_.get() + begin_; }
  size_t size() const { return end_ - begin_; }
  size_t capacity() const { return capacity_; }
  // The free bytes after the held ones, and where they start.
  size_t room() const { return capacity_ - end_; }
  uint8_t* end() { return block_.get() + end_; }

  // Makes room for at least `size` bytes after the held ones, moving them to
  // the front of the block when that gives enough room, else into a new block
  // of the held bytes plus `size` or plus as many again as are held,
  // whichever is more: a caller that keeps whole messages and asks for a
  // little room at a time moves its bytes a logarithmic number of times, and
  // room ahead never passes what is held or asked. Returns where the room
  // starts, or
  // nullptr, with nothing changed, when the memory cannot be had.
  uint8_t* prepare(size_t size) noexcept;
  // Appends the first `size` bytes of the room.
  void commit(size_t size) { end_ += size; }
  void push_back(uint8_t byte) { block_[end_++] = byte; }
  // Drops `size` held bytes from the front. Once none are held the room
  // starts at the front again, so an emptied block never needs moving.
  void consume(size_t size) {
    begin_ += size;
    if (begin_ == end_) begin_ = end_ = 0;
  }
  // Gives the block back when it holds nothing and is over `kept` bytes.
  void release_above(size_t kept) {
    if (begin_ == end_ && capacity_ > kept) *this = stream_buffer();
  }

 private:
  std::unique_ptr<uint8_t[]> block_;
  size_t capacity_ = 0;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_READER_STREAM_BUFFER_HPP
