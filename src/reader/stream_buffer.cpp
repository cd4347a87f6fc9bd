// SPDX-License-Identifier: MIT
// Room at the end of a stream reader's buffer; see stream_buffer.hpp.
#include "reader/stream_buffer.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace kelvo::detail {

uint8_t* stream_buffer::prepare(size_t size) noexcept {
  const size_t held = this->size();
  if (room() >= size && block_) return end();
  if (block_ && size <= capacity_ - held) {
    std::memmove(block_.get(), data(), held);
  } else {
    const size_t ahead = std::max(size, held);
    if (ahead > SIZE_MAX - held) return nullptr;
    // Default-initialized: the room stays unwritten until the caller fills
    // it. The plain new, so that a replaced operator new sees it too.
    std::unique_ptr<uint8_t[]> larger;
    try {
      larger.reset(new uint8_t[held + ahead]);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    if (held > 0) std::memcpy(larger.get(), data(), held);
    block_ = std::move(larger);
    capacity_ = held + ahead;
  }
  begin_ = 0;
  end_ = held;
  return end();
}

}  // namespace kelvo::detail
