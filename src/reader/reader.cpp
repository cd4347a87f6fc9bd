// SPDX-License-Identifier: MIT
// The stream reader's members over its state (reader/reader_state.hpp).
// Bytes go straight into the state's buffer, behind the unconsumed bytes of
// the message being read; a message is parsed once, by the bounded parse,
// when the headers say its last byte is in. The state is made with the first
// bytes, so a new or moved-from reader holds nothing and every query of it
// answers as for an empty stream.
#include "vexal/reader.hpp"

#include <cstring>
#include <new>

#include "reader/reader_state.hpp"

namespace kelvo {

namespace {

using header = vexal_part_ctx::impl::header;

}  // namespace

vexal_reader::vexal_reader(vexal_limits limits) noexcept : limits_(limits) {}

vexal_reader::~vexal_reader() = default;
vexal_reader::vexal_reader(vexal_reader&& other) noexcept = default;
vexal_reader& vexal_reader::operator=(vexal_reader&& other) noexcept = default;

// The state, made with the reader's first bytes; nullptr when there is no
// memory for it.
vexal_reader::state* vexal_reader::own() {
  if (!state_) {
    try {
      state_ = std::make_unique<state>();
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return state_.get();
}

uint8_t* vexal_reader::prepare(size_t size) noexcept {
  // Room that is there already costs one comparison; a buffer given back
  // has no room, not even for 0 bytes.
  if (state_ && state_->buffer.room() >= size && size > 0) {
    state_->prepared = size;
    return state_->buffer.end();
  }
  state* s = own();
  uint8_t* room = s != nullptr ? s->prepare(size, limits_) : nullptr;
  if (room != nullptr) s->prepared = size;
  return room;
}

bool vexal_reader::commit(size_t size) noexcept {
  if (size == 0) return true;
  // More than the room given (a read's -1 passed on as a size, say) would
  // append bytes past the buffer: nothing is committed.
  if (!state_ || size > state_->prepared) return false;
  state& s = *state_;
  s.prepared -= size;
  s.buffer.commit(size);
  if (s.skipping()) s.drop_held();
  return true;
}

void vexal_reader::feed(const uint8_t* data, size_t size) {
  // Fed a byte at a time, nearly every call only stores the byte.
  if (size == 1 && state_ && state_->buffer.room() > 0 && !state_->skipping()) {
    state_->buffer.push_back(*data);
    return;
  }
  // Bytes of a skipped message are dropped here rather than copied in.
  const size_t dropped =
      state_ && state_->pending() == 0
          ? static_cast<size_t>(std::min<uint64_t>(state_->to_drop, size))
          : 0;
  const size_t kept = size - dropped;
  uint8_t* room = kept > 0 ? prepare(kept) : nullptr;
  if (kept > 0 && room == nullptr) throw std::bad_alloc();
  if (dropped > 0) {
    state_->to_drop -= dropped;
    state_->consumed += dropped;
  }
  if (kept > 0) std::memcpy(room, data + dropped, kept);
  commit(kept);
}

void vexal_reader::feed(const std::vector<uint8_t>& data) {
  feed(data.data(), data.size());
}

vexal_reader::status vexal_reader::try_next(vexal& message) noexcept {
  if (!state_) return status::need_more;
  return state_->read(limits_, message);
}

bool vexal_reader::next(vexal& message) {
  // Until the bytes that the headers asked for are in, there is nothing new
  // to learn: fed a byte at a time, most calls end here. (A refusal or a
  // skip comes with `wanted` at most what is held.)
  if (!state_ || state_->pending() < state_->wanted) return false;
  return state_->result(try_next(message));
}

vexal_reader::status vexal_reader::try_next(vexal_view& view) noexcept {
  if (!state_) return status::need_more;
  return state_->read(limits_, view);
}

vexal_reader::status vexal_reader::try_read(const uint8_t* data, size_t size,
                                            size_t& used,
                                            vexal_view& view) noexcept {
  used = 0;
  // A reader that holds nothing is made only when bytes arrive.
  if (!state_ && (size == 0 || own() == nullptr)) {
    return size == 0 ? status::need_more : status::out_of_memory;
  }
  return state_->read_in_place(data, size, used, limits_, view);
}

bool vexal_reader::next(vexal_view& view) {
  if (!state_ || state_->pending() < state_->wanted) return false;
  return state_->result(try_next(view));
}

const std::string& vexal_reader::error() const noexcept {
  static const std::string none;
  return state_ ? state_->refusal : none;
}

const vexal_failure& vexal_reader::failure() const noexcept {
  static const vexal_failure none;
  return state_ ? state_->error : none;
}

std::error_code vexal_reader::error_code() const noexcept {
  return failure().error_code();
}

uint64_t vexal_reader::error_offset() const noexcept {
  return failure() ? failure().offset() : offset();
}

uint64_t vexal_reader::offset() const noexcept {
  return state_ ? state_->consumed : 0;
}

size_t vexal_reader::buffered() const noexcept {
  return state_ ? state_->pending() : 0;
}

size_t vexal_reader::capacity() const noexcept {
  return state_ ? state_->buffer.capacity() : 0;
}

size_t vexal_reader::needed() const noexcept {
  if (!state_) return header::wire_size;
  const state& s = *state_;
  uint64_t missing;
  if (s.skipping()) {
    // The rest of the skipped message as far as known, then at least the
    // next message's first header.
    missing = s.to_drop + header::wire_size;
    if (s.second_part_to_drop) {
      missing += header::wire_size - (s.to_drop > 0 ? 0 : s.pending());
    }
  } else {
    const detail::message_frame frame = s.frame();
    missing = frame.size - std::min<uint64_t>(frame.size, s.pending());
  }
  return static_cast<size_t>(
      std::min<uint64_t>(missing, std::numeric_limits<size_t>::max()));
}

uint64_t vexal_reader::next_size() const noexcept {
  if (!state_ || state_->skipping()) return 0;
  const detail::message_frame frame = state_->frame();
  return frame.headers == 2 ? frame.size : 0;
}

bool vexal_reader::skipping() const noexcept {
  return state_ && state_->skipping();
}

bool vexal_reader::at_boundary() const noexcept {
  return !state_ || (state_->pending() == 0 && !state_->skipping());
}

void vexal_reader::skip() noexcept {
  if (state_) state_->skip();
}

const vexal_wire_message& vexal_reader::wire() const noexcept {
  static const vexal_wire_message none{};
  return state_ ? state_->wire : none;
}

}  // namespace kelvo
