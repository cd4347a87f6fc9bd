// SPDX-License-Identifier: MIT
// What a `vexal_reader` holds, and the one step that takes a message out of
// its buffer. Every way of reading a message (`next` and `try_next`, into a
// message or a view) goes through `state::read`, which frames the message at
// offset(), checks each of its headers as soon as it is in, hands its bytes
// to the target's parse once they are all in, and turns what is refused into
// a status. Nothing on the way throws.
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
#include <type_traits>

#include "error/failure.hpp"
#include "frame/message_frame.hpp"
#include "message/message_parse.hpp"
#include "part/impl.hpp"
#include "reader/stream_buffer.hpp"
#include "vexal/reader.hpp"
#include "view/view_core.hpp"

namespace kelvo {

// Hidden, although it is nested in an exported class: nothing outside the
// library calls its members, so they are no part of the binary interface.
struct __attribute__((visibility("hidden"))) vexal_reader::state {
  using header = vexal_part_ctx::impl::header;

  // A buffer larger than this is given back as soon as it holds nothing.
  static constexpr size_t kept_capacity = size_t{64} << 10;

  size_t pending() const { return buffer.size(); }
  bool skipping() const { return to_drop > 0 || second_part_to_drop; }
  detail::message_frame frame() const {
    return detail::measure_message(buffer.data(), pending());
  }

  // The room `prepare` asks for: `size`, and once a header is in, first the
  // rest of the message it announces (unless the headers present already
  // refuse it), so that a message is held in place from its headers to its
  // last byte and the read that ends it still fits. Room is taken ahead of
  // the bytes for at most 64 MiB or what is held, whichever is more, so that
  // memory follows the bytes that arrive, not what a header claims, and a
  // longer message is moved only a few times.
  uint8_t* prepare(size_t size, const vexal_limits& limits) noexcept {
    detail::failure refusal_ahead;
    const detail::message_frame f =
        detail::check_message(buffer.data(), pending(), 0, limits,
                              refusal_ahead)
            .frame;
    if (!skipping() && !refusal_ahead && f.headers > 0 && f.size > pending()) {
      const size_t ahead =
          std::min(static_cast<size_t>(f.size) - pending(),
                   std::max(pending(), vexal_limits::default_size));
      size = ahead + std::min(size, std::numeric_limits<size_t>::max() - ahead);
    }
    return buffer.prepare(size);
  }

  // Drops `count` held bytes; the block is given back once it holds
  // nothing, unless `release` is false.
  void consume(uint64_t count, bool release = true) {
    buffer.consume(static_cast<size_t>(count));
    consumed += count;
    if (release) buffer.release_above(kept_capacity);
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
    prepared = 0;
    const detail::message_frame f = frame();
    if (skipping() || f.headers == 0) return;
    second_part_to_drop = f.headers < 2;
    to_drop = second_part_to_drop ? header::wire_size + uint64_t{f.first_stored}
                                  : f.size;
    refused = status::message;
    refusal.clear();
    error = {};
    wanted = 0;
    drop_held();
  }

  // Appends the `size` bytes at `data` to the held ones, making room as
  // `prepare` does; false, with nothing changed, when memory is short.
  bool hold(const uint8_t* data, size_t size,
            const vexal_limits& limits) noexcept {
    if (size == 0) return true;
    uint8_t* room = prepare(size, limits);
    if (room == nullptr) return false;
    std::memcpy(room, data, size);
    buffer.commit(size);
    return true;
  }

  // The `wanted` of a message not yet whole whose frame is `frame`.
  void want(const detail::message_frame& frame) {
    wanted = static_cast<size_t>(
        std::min<uint64_t>(frame.size, std::numeric_limits<size_t>::max()));
  }

  // Records a failure, for `error()`, `error_code()` and `error_offset()`;
  // kept, when it is a refusal, until `skip`. The text is written into the
  // string's own storage, which a refusal of the same length or shorter
  // reuses; growing it may itself run out of memory.
  status fail(const detail::failure& f) noexcept {
    const status outcome = status_of(f.code);
    // Written once, on the stack, where every text fits (one that did not
    // would be measured, then written into the string's own storage).
    char text[256];
    const size_t length = detail::write_failure_text(f, text, sizeof text);
    try {
      if (length < sizeof text) {
        refusal.assign(text, length);
      } else {
        refusal.resize(length);
        detail::write_failure_text(f, refusal.data(), length + 1);
      }
    } catch (const std::bad_alloc&) {
      refusal.clear();
      detail::failure_access::assign(error,
                                     detail::fail(vexal_errc::out_of_memory));
      return status::out_of_memory;
    }
    detail::failure_access::assign(error, f, consumed);
    if (outcome != status::out_of_memory) refused = outcome;
    return outcome;
  }

  // Clears the last failure, which a step that reports none leaves behind
  // only after a lack of memory: most steps find nothing to clear.
  void forget_failure() noexcept {
    if (!error) return;
    refusal.clear();
    error = {};
  }

  // A lack of memory on the way, which is reported but not kept.
  status out_of_memory() noexcept {
    return fail(detail::fail(vexal_errc::out_of_memory));
  }

  // The reading step over the caller's `size` bytes at `data`, which follow
  // the held ones: see `vexal_reader::try_read`. A message that begins with
  // nothing held and lies wholly in `data` is read where it lies; otherwise
  // the bytes the message at the front needs are held, step by step (its
  // first header, up to its second header, its end), each step checked as
  // `read` checks it, so nothing of `data` past that message is taken.
  [[gnu::always_inline]] status read_in_place(const uint8_t* data, size_t size,
                                              size_t& used,
                                              const vexal_limits& limits,
                                              vexal_view& view) noexcept {
    used = 0;
    prepared = 0;
    if (lent) buffer.release_above(kept_capacity);
    lent = false;
    if (refused != status::message) return refused;
    forget_failure();
    if (pending() == 0 && !skipping()) {
      return read_from(data, size, used, limits, view);
    }
    return read_after_held(data, size, used, limits, view);
  }

  // `read_in_place` while part of a message, or a skip, is pending: out of
  // line, so that the step for a message with nothing held stays small.
  [[gnu::noinline]] status read_after_held(const uint8_t* data, size_t size,
                                           size_t& used,
                                           const vexal_limits& limits,
                                           vexal_view& view) noexcept {
    // The rest of a skipped message is dropped from `data` unheld, but for
    // its second header, which the skip needs whole.
    while (skipping() && used < size) {
      size_t take;
      if (to_drop > 0) {
        take = static_cast<size_t>(std::min<uint64_t>(to_drop, size - used));
        to_drop -= take;
        consumed += take;
      } else {
        take = std::min(header::wire_size - pending(), size - used);
        if (!hold(data + used, take, limits)) return out_of_memory();
      }
      used += take;
      drop_held();
    }
    if (skipping()) return status::need_more;
    if (pending() == 0) {
      return read_from(data + used, size - used, used, limits, view);
    }
    for (;;) {
      detail::failure f;
      const detail::checked_message checked =
          detail::check_message(buffer.data(), pending(), 0, limits, f);
      if (f) return fail(f);
      if (checked.frame.whole(pending())) break;
      if (used == size) {
        want(checked.frame);
        return status::need_more;
      }
      const size_t take = static_cast<size_t>(
          std::min<uint64_t>(checked.frame.size - pending(), size - used));
      if (!hold(data + used, take, limits)) return out_of_memory();
      used += take;
    }
    return read(limits, view);
  }

  // `read_from`'s way for a message that the quick check did not accept:
  // the whole check decides. A refused message is held up to the end of the
  // header at fault, so that `skip` drops it as it drops one that arrived in
  // pieces; one not whole is held as far as it has come; a whole one is
  // read where it lies after all.
  [[gnu::noinline]] status hold_front(const uint8_t* at, size_t available,
                                      size_t& used, const vexal_limits& limits,
                                      vexal_view& view) noexcept {
    detail::failure f;
    const detail::checked_message checked =
        detail::check_message(at, available, 0, limits, f);
    if (!f && checked.frame.whole(available)) {
      return take_in_place(at, checked, used, view);
    }
    const uint64_t through =
        !f ? available
        : f.at < header::wire_size
            ? header::wire_size
            : checked.frame.second_at() + header::wire_size;
    if (!hold(at, static_cast<size_t>(through), limits)) {
      return out_of_memory();
    }
    used += static_cast<size_t>(through);
    if (f) return fail(f);
    want(checked.frame);
    return status::need_more;
  }

  // `read_in_place` with nothing held: the message at `at` is read there
  // when it is whole; otherwise what it refuses or needs is held.
  [[gnu::always_inline]] status read_from(const uint8_t* at, size_t available,
                                          size_t& used,
                                          const vexal_limits& limits,
                                          vexal_view& view) noexcept {
    detail::checked_message checked;
    if (!detail::accept_whole_message(at, available, limits, checked)) {
      return hold_front(at, available, used, limits, view);
    }
    return take_in_place(at, checked, used, view);
  }

  // Consumes the whole, checked message at `at`, where `view` shows it.
  status take_in_place(const uint8_t* at,
                       const detail::checked_message& checked, size_t& used,
                       vexal_view& view) noexcept {
    const uint64_t size = detail::view_core::fill(view, at, checked);
    describe(at, size);
    wanted = 0;
    consumed += size;
    used += static_cast<size_t>(size);
    return status::message;
  }

  // The reading step: the headers of the message held at the front are
  // checked as they arrive, and once the message is whole it is parsed into
  // `target` (a message or a view). A view keeps pointing into the bytes,
  // so the block they lie in is lent to it until the next step.
  template <typename Target>
  status read(const vexal_limits& limits, Target& target) noexcept {
    constexpr bool lend = std::is_same_v<Target, vexal_view>;
    prepared = 0;
    if (lent) buffer.release_above(kept_capacity);
    lent = false;
    if (refused != status::message) return refused;
    forget_failure();
    if (skipping()) return status::need_more;
    detail::failure f;
    detail::checked_message checked;
    if (!detail::accept_whole_message(buffer.data(), pending(), limits,
                                      checked)) {
      checked = detail::check_message(buffer.data(), pending(), 0, limits, f);
      if (f) return fail(f);
      if (!checked.frame.whole(pending())) {
        want(checked.frame);
        return status::need_more;
      }
    }
    const uint64_t size = checked.frame.size;
    if constexpr (lend) {
      detail::view_core::fill(target, buffer.data(), checked);
    } else {
      detail::catch_out_of_memory(f, [&] {
        detail::take_parts(detail::message_core::first(target),
                           detail::message_core::second(target), buffer.data(),
                           0, checked, limits.max_payload_size, f);
      });
      if (f) return fail(f);
    }
    describe(buffer.data(), size);
    wanted = 0;
    consume(size, !lend);
    lent = lend;
    return status::message;
  }

  // `next`'s result for a status: throws what `try_next` reports.
  bool result(status outcome) const {
    if (outcome == status::message) return true;
    if (outcome == status::need_more) return false;
    if (outcome == status::out_of_memory) throw std::bad_alloc();
    throw std::runtime_error(refusal);
  }

  // The wire layout of the `size`-byte message at `first_wire`, the front of
  // the stream, for `wire()`.
  void describe(const uint8_t* first_wire, uint64_t size) {
    const uint8_t* second_wire =
        first_wire + header::wire_size + header::stored_length(first_wire);
    wire = {consumed,
            size,
            {describe_part(first_wire), describe_part(second_wire)}};
  }

  // The part of the wire layout that the parsed message does not keep, read
  // from the whole part whose header starts at `wire`.
  static vexal_wire_part describe_part(const uint8_t* wire) {
    // The compression code is 1 for zlib once the part has parsed. A zlib
    // stream's second byte (FLG) carries FLEVEL in its top two bits; a
    // compressed part that parsed has at least its two-byte zlib header.
    constexpr size_t flg_at = 1;
    constexpr int flevel_shift = 6;
    const bool compressed = wire[vexal_part_compression_offset] != 0;
    return {
        header::stored_length(wire), compressed,
        static_cast<uint8_t>(
            compressed ? wire[header::wire_size + flg_at] >> flevel_shift : 0)};
  }

  detail::stream_buffer buffer;
  uint64_t consumed = 0;  // stream offset of the first held byte
  // A refusal that `read` repeats until `skip`; `message` when there is none.
  status refused = status::message;
  std::string refusal;  // the text `error()` returns
  vexal_failure error;  // its kind, and where in the stream it lies
  // What a `commit` may still pass on of the room the last `prepare` gave;
  // 0 after any other call that is not const.
  size_t prepared = 0;
  // A skip in progress: bytes still to drop (none are held while it is not
  // 0), and whether the second part of the message must be dropped after.
  uint64_t to_drop = 0;
  bool second_part_to_drop = false;
  // The held bytes that the next message needs before `read` can learn
  // anything new from its headers; 0 when not yet measured.
  size_t wanted = 0;
  // The bytes of the last message are lent to a view.
  bool lent = false;
  vexal_wire_message wire{};
};

}  // namespace kelvo

#endif  // VEXAL_SRC_READER_READER_STATE_HPP
