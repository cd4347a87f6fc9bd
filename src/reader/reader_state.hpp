// SPDX-License-Identifier: MIT
// What a `vexal_reader` holds, and the one step that takes a message out of
// its buffer. Every way of reading a message (`next`, `try_next`, and any
// other target a message is parsed into) goes through `state::read`, which
// frames the message at offset(), hands its bytes to the target's parse once
// they are all in, and turns what that parse throws into a status.
//
// A refused message is dropped by `skip`: the bytes of it that are held go
// at once, the rest as they arrive, without being held. When only the first
// header is in, the message's end is not known yet: the skip drops the first
// part, reads the second header, then drops the second part.
#ifndef VEXAL_SRC_READER_READER_STATE_HPP
#define VEXAL_SRC_READER_READER_STATE_HPP

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "part/impl.hpp"
#include "part/limit_errors.hpp"
#include "reader/message_frame.hpp"
#include "reader/stream_buffer.hpp"
#include "vexal/reader.hpp"

namespace kelvo {

struct vexal_reader::state {
  using header = vexal_part_ctx::impl::header;

  // A buffer larger than this is given back as soon as it holds nothing.
  static constexpr size_t kept_capacity = size_t{64} << 10;

  size_t pending() const { return buffer.size(); }
  bool skipping() const { return to_drop > 0 || second_part_to_drop; }
  detail::message_frame frame() const {
    return detail::measure_message(buffer.data(), pending());
  }

  // The room `prepare` asks for: `size`, and once a header is in, first the
  // rest of the message it announces (unless that is over the limit), so
  // that a message is held in place from its headers to its last byte and
  // the read that ends it still fits.
  uint8_t* prepare(size_t size, const vexal_limits& limits) noexcept {
    const detail::message_frame f = frame();
    if (!skipping() && f.headers > 0 && f.size <= limits.max_message_size &&
        f.size > pending()) {
      const auto rest = static_cast<size_t>(f.size) - pending();
      size = rest + std::min(size, std::numeric_limits<size_t>::max() - rest);
    }
    return buffer.prepare(size);
  }

  void consume(uint64_t count) {
    buffer.consume(static_cast<size_t>(count));
    consumed += count;
    buffer.release_above(kept_capacity);
  }

  // Consumes up to `to_drop` held bytes; once the first part of a message
  // skipped from its first header is gone and its second header is in, goes
  // on with the second part.
  void drop_held() {
    for (;;) {
      const uint64_t count = std::min<uint64_t>(to_drop, pending());
      to_drop -= count;
      consume(count);
      if (to_drop > 0 || !second_part_to_drop ||
          pending() < header::wire_size) {
        return;
      }
      second_part_to_drop = false;
      to_drop =
          header::wire_size + uint64_t{header::stored_length(buffer.data())};
    }
  }

  // Starts dropping the message at the front; see `vexal_reader::skip`.
  void skip() {
    const detail::message_frame f = frame();
    if (skipping() || f.headers == 0) return;
    second_part_to_drop = f.headers < 2;
    to_drop = second_part_to_drop ? header::wire_size + uint64_t{f.first_stored}
                                  : f.size;
    refused = status::message;
    refusal.clear();
    wanted = 0;
    drop_held();
  }

  // Records a failure's text, for `error()`; kept, when it is a refusal,
  // until `skip`. Recording it may itself run out of memory.
  status fail(status outcome, const char* text) noexcept {
    try {
      refusal = text;
    } catch (const std::bad_alloc&) {
      refusal.clear();
      return status::out_of_memory;
    }
    if (outcome != status::out_of_memory) refused = outcome;
    return outcome;
  }

  // The reading step. `parse(data, size)` reads the whole message held at
  // `data` into its target; it throws as the bounded parse does.
  template <typename Parse>
  status read(const vexal_limits& limits, Parse&& parse) noexcept {
    if (refused != status::message) return refused;
    refusal.clear();
    if (skipping()) return status::need_more;
    const detail::message_frame f = frame();
    if (f.headers > 0 && f.size > limits.max_message_size) {
      return fail(status::message_too_long, detail::message_too_long_text);
    }
    if (!f.whole(pending())) {
      wanted = static_cast<size_t>(
          std::min<uint64_t>(f.size, std::numeric_limits<size_t>::max()));
      return status::need_more;
    }
    try {
      parse(buffer.data(), static_cast<size_t>(f.size));
    } catch (const std::bad_alloc& error) {
      return fail(status::out_of_memory, error.what());
    } catch (const std::exception& error) {
      const bool over =
          std::strcmp(error.what(), detail::payload_too_long_text) == 0;
      return fail(over ? status::payload_too_long : status::malformed,
                  error.what());
    }
    describe(f.size);
    wanted = 0;
    consume(f.size);
    return status::message;
  }

  // `next`'s result for a status: throws what `try_next` reports.
  bool result(status outcome) const {
    if (outcome == status::message) return true;
    if (outcome == status::need_more) return false;
    if (outcome == status::out_of_memory) throw std::bad_alloc();
    throw std::runtime_error(refusal);
  }

  // The wire layout of the `size`-byte message at the front, for `wire()`.
  void describe(uint64_t size);

  detail::stream_buffer buffer;
  uint64_t consumed = 0;  // stream offset of the first held byte
  // A refusal that `read` repeats until `skip`; `message` when there is none.
  status refused = status::message;
  std::string refusal;  // the text `error()` returns
  // A skip in progress: bytes still to drop (none are held while it is not
  // 0), and whether the second part of the message must be dropped after.
  uint64_t to_drop = 0;
  bool second_part_to_drop = false;
  // The held bytes that the next message needs before `read` can learn
  // anything new from its headers; 0 when not yet measured.
  size_t wanted = 0;
  vexal_wire_message wire{};
};

}  // namespace kelvo

#endif  // VEXAL_SRC_READER_READER_STATE_HPP
