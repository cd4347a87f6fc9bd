// SPDX-License-Identifier: MIT
// The stream reader. Fed bytes go into one buffer, behind the unconsumed
// bytes of the message being read; consumed bytes are dropped from its front
// when the next bytes are fed, so each byte is moved at most once and the
// buffer holds the current message plus one feed. A message is parsed once,
// by the bounded parse, when the headers say its last byte is in.
//
// A refused message is dropped by `skip`: the bytes of it that are held go
// at once, the rest as they are fed, without being held. When the refusal
// came from the first header alone, the message's end is not known yet: the
// skip drops the first part, reads the second header, then drops the second
// part.
#include "vexal/reader.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "part/impl.hpp"
#include "reader/message_frame.hpp"

namespace kelvo {

namespace {

using header = vexal_part_ctx::impl::header;

// A buffer this much larger than what it must hold is given back, so that one
// large message does not pin its memory for the rest of the stream.
constexpr size_t spare_room = size_t{1} << 20;

// The part of the wire layout that the parsed message does not keep, read
// from the part whose header starts at `wire` and from `part`, its parse.
vexal_wire_part describe_part(const uint8_t* wire, const vexal_part_ctx& part) {
  // A zlib stream's second byte (FLG) carries FLEVEL in its top two bits; a
  // compressed part that parsed has at least its two-byte zlib header.
  constexpr size_t flg_at = 1;
  constexpr int flevel_shift = 6;
  const bool compressed =
      part.get_compression() != vexal_part_payload::compression::none;
  return {
      header::stored_length(wire), compressed,
      static_cast<uint8_t>(
          compressed ? wire[header::wire_size + flg_at] >> flevel_shift : 0)};
}

}  // namespace

struct vexal_reader::state {
  explicit state(vexal_limits limits) : limits(limits) {}

  size_t pending() const { return buffer.size() - begin; }
  bool skipping() const { return to_drop > 0 || second_part_to_drop; }
  detail::message_frame frame() const {
    return detail::measure_message(buffer.data() + begin, pending());
  }

  // Consumes up to `to_drop` held bytes; once the first part of a message
  // refused from its first header is gone and its second header is in,
  // goes on with the second part.
  void drop_held() {
    for (;;) {
      const size_t count =
          static_cast<size_t>(std::min<uint64_t>(to_drop, pending()));
      begin += count;
      consumed += count;
      to_drop -= count;
      if (to_drop > 0 || !second_part_to_drop ||
          pending() < header::wire_size) {
        return;
      }
      second_part_to_drop = false;
      to_drop = header::wire_size +
                uint64_t{header::stored_length(buffer.data() + begin)};
    }
  }

  // Moves the unconsumed bytes to the front of the buffer, or into a smaller
  // one when the buffer is far larger than they and `incoming` need.
  void compact(size_t incoming) {
    const size_t keep = pending();
    if (buffer.capacity() > 2 * (keep + incoming) + spare_room) {
      std::vector<uint8_t> smaller;
      smaller.reserve(keep + incoming);
      smaller.assign(buffer.begin() + static_cast<std::ptrdiff_t>(begin),
                     buffer.end());
      buffer.swap(smaller);
    } else if (begin > 0) {
      if (keep > 0) std::memmove(buffer.data(), buffer.data() + begin, keep);
      buffer.resize(keep);
    }
    begin = 0;
  }

  // Everything `feed` does. Bytes of a skipped message are counted, never
  // stored. Nothing changes before the bytes that are kept have been stored.
  // Kept out of line so that `feed`'s one-byte path saves no registers.
  [[gnu::noinline]] void take(const uint8_t* data, size_t size) {
    if (begin == 0 && !skipping()) {
      append(data, size);
    } else {
      const auto dropped =
          static_cast<size_t>(std::min<uint64_t>(to_drop, size));
      const size_t kept = size - dropped;
      if (kept > 0) {
        compact(kept);
        append(data + dropped, kept);
      }
      to_drop -= dropped;
      consumed += dropped;
      if (second_part_to_drop) drop_held();
    }
    room = begin == 0 && !skipping() ? buffer.capacity() - buffer.size() : 0;
  }

  void append(const uint8_t* data, size_t size) {
    // Byte by byte, push_back stays inline, where a ranged insert costs a
    // call and a memmove for each tiny piece.
    constexpr size_t tiny = 8;
    if (size <= tiny) {
      for (size_t i = 0; i < size; ++i) buffer.push_back(data[i]);
    } else {
      buffer.insert(buffer.end(), data, data + size);
    }
  }

  // Everything `next` does once the bytes that the headers asked for are
  // in; out of line, like `take`.
  [[gnu::noinline]] bool read(vexal& message) {
    if (refused) throw std::runtime_error(refusal);
    if (skipping()) return false;
    const size_t end = parse(message);
    if (end == begin) {
      wanted = static_cast<size_t>(
          std::min<uint64_t>(frame().size, std::numeric_limits<size_t>::max()));
      return false;
    }
    wanted = 0;
    room = 0;
    const uint8_t* first_wire = buffer.data() + begin;
    const uint8_t* second_wire =
        first_wire + header::wire_size + header::stored_length(first_wire);
    wire = {consumed,
            end - begin,
            {describe_part(first_wire, message.first()),
             describe_part(second_wire, message.second())}};
    consumed += end - begin;
    begin = end;
    return true;
  }

  // The bounded parse of the message at `begin`: `begin` itself while the
  // message is not whole. A refusal is kept for `next` to repeat.
  size_t parse(vexal& message) {
    try {
      return message.parse(buffer, begin, limits);
    } catch (const std::runtime_error& error) {
      refusal = error.what();
      refused = true;
      throw;
    }
  }

  vexal_limits limits;
  std::vector<uint8_t> buffer;
  size_t begin = 0;       // the first unconsumed byte in `buffer`
  uint64_t consumed = 0;  // stream offset of buffer[begin]
  bool refused = false;
  std::string refusal;  // what() of the refusal `next` repeats
  // A skip in progress: bytes still to drop (none are held while it is not
  // 0), and whether the second part of the message must be dropped after.
  uint64_t to_drop = 0;
  bool second_part_to_drop = false;
  // The unconsumed bytes that the next message needs before `next` can learn
  // anything new from its headers; 0 when not yet measured.
  size_t wanted = 0;
  // Bytes that `feed` may store one at a time without a look at the rest of
  // the state: 0 unless nothing before the buffer's end is consumed or
  // skipped; never more than the buffer's spare capacity.
  size_t room = 0;
  vexal_wire_message wire{};
};

vexal_reader::vexal_reader(vexal_limits limits)
    : state_(std::make_unique<state>(limits)) {}

vexal_reader::~vexal_reader() = default;
vexal_reader::vexal_reader(vexal_reader&& other) noexcept = default;
vexal_reader& vexal_reader::operator=(vexal_reader&& other) noexcept = default;

void vexal_reader::feed(const uint8_t* data, size_t size) {
  state& s = *state_;
  // Fed a byte at a time, nearly every call only stores the byte: that path
  // has no call of its own, so it costs little more than the call to it.
  if (size == 1 && s.room > 0) {
    --s.room;
    s.buffer.push_back(*data);
    return;
  }
  s.take(data, size);
}

void vexal_reader::feed(const std::vector<uint8_t>& data) {
  feed(data.data(), data.size());
}

bool vexal_reader::next(vexal& message) {
  state& s = *state_;
  // Until the bytes that the headers asked for are in, there is nothing new
  // to learn: fed a byte at a time, most calls end here. (A refusal or a
  // skip comes with `wanted` at most what is held.)
  if (s.pending() < s.wanted) return false;
  return s.read(message);
}

uint64_t vexal_reader::offset() const noexcept { return state_->consumed; }

size_t vexal_reader::buffered() const noexcept { return state_->pending(); }

size_t vexal_reader::needed() const noexcept {
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

void vexal_reader::skip() {
  state& s = *state_;
  if (!s.refused) return;
  const detail::message_frame frame = s.frame();
  // A refusal from the first header alone: the second part's length is
  // still to come.
  s.second_part_to_drop = frame.headers < 2;
  s.to_drop = s.second_part_to_drop
                  ? header::wire_size + uint64_t{frame.first_stored}
                  : frame.size;
  s.refused = false;
  s.refusal.clear();
  s.wanted = 0;
  s.room = 0;
  s.drop_held();
}

const vexal_wire_message& vexal_reader::wire() const noexcept {
  return state_->wire;
}

}  // namespace kelvo
