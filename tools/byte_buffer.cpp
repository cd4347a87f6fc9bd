// SPDX-License-Identifier: MIT
// The growing byte buffer over malloc(3) and realloc(3).
#include "byte_buffer.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace kelvo::tool {

byte_buffer::~byte_buffer() { std::free(data_); }

void byte_buffer::reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) throw std::bad_alloc();
  data_ = static_cast<uint8_t*>(grown);
  capacity_ = capacity;
}

uint8_t* byte_buffer::extend(size_t count) {
  if (count > std::numeric_limits<size_t>::max() - size_) {
    throw std::bad_alloc();
  }
  if (size_ + count > capacity_) {
    reserve(std::max(size_ + count, 2 * capacity_));
  }
  uint8_t* const added = data_ + size_;
  size_ += count;
  return added;
}

void byte_buffer::append(const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  std::memcpy(extend(count), bytes, count);
}

}  // namespace kelvo::tool
