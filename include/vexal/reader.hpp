// SPDX-License-Identifier: MIT
// Reading vexal messages from a stream of bytes that nobody vouches for: a
// socket, a pipe, a file of unknown origin.
//
// `vexal_reader` takes the bytes in whatever pieces they arrive, reads each
// message's two headers as they come in, and parses each message exactly
// once, when its last byte has arrived. `vexal_limits` bounds what one
// message may cost (vexal/limits.hpp): its size on the wire, refused from its
// headers before its stored bytes are held, and the size of each part's
// payload, refused as soon as inflating passes it.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_READER_HPP
#define VEXAL_READER_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vexal/error.hpp"
#include "vexal/export.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.hpp"
#include "vexal/view.hpp"

namespace kelvo {

/// How one part of a message lay on the wire, which the parsed part does not
/// keep.
struct vexal_wire_part {
  /// The stored length L from the part's header: the bytes after it.
  uint32_t stored_size;
  /// True when the part was stored as a zlib stream (compression code 1).
  bool compressed;
  /// For a compressed part, the level class that the zlib stream's own
  /// header records (FLEVEL, RFC 1950): 0 fastest, 1 fast, 2 default,
  /// 3 maximum compression. 0 for a part stored as is.
  uint8_t zlib_level_hint;
};

/// Where and how the message that `vexal_reader::next` or `try_next` last
/// returned lay on the wire.
struct vexal_wire_message {
  /// The stream offset of its first byte.
  uint64_t offset;
  /// Its length on the wire: 16 + L1 + L2.
  uint64_t size;
  /// The type-1 part, then the type-0 part.
  std::array<vexal_wire_part, 2> parts;
};

/// Cuts a stream of bytes into messages, within limits.
///
/// Read the bytes straight into the reader's buffer, then take every message
/// that is whole:
///
///     n = read(fd, reader.prepare(hint), hint);
///     reader.commit(n);
///     while (reader.try_next(message) == status::message) use(message);
///
/// For `hint`, pass the most one read should bring: a chunk size such as
/// 64 KiB. There is no need to pass `needed()`: once a message's headers are
/// in, `prepare` itself makes room for the rest of the message (within
/// `max_message_size`, and taking at most 64 MiB or what it holds ahead of
/// the bytes), so the message is read in place: what is held moves when a
/// header shows that more room is needed, not on every read. `feed` copies
/// bytes that lie elsewhere.
///
/// Memory: the reader holds every byte given to it and not yet consumed (so
/// feeding many messages before reading them holds them all), in one buffer
/// of `capacity()` bytes: what is held, plus the room `prepare` made, which
/// once a message's headers are in is the rest of that message and one
/// read. Bytes of a skipped message are dropped as they arrive and never
/// held (but for a cut second header; see `skipping()`), and a header whose
/// codes are refused makes no room for what it announces. When a message is
/// consumed into a `vexal` and nothing is left, a buffer over 64 KiB is given
/// back at once. A message taken as a view (`next(vexal_view&)`,
/// `try_next(vexal_view&)`) stays in the buffer the view points into, so that
/// buffer is kept, whatever its size, until the reader's next call that is not
/// const; a reader left idle after a view therefore holds that message's bytes.
/// A `vexal` reused for each message keeps its payloads' capacity (as large as
/// the largest message read into it); assign it `vexal()` to give that back
/// too.
///
/// When a message is refused (too long, payload too long, or malformed),
/// `try_next` returns the same status (and `next` throws the same error)
/// until `skip()` drops that message; reading then goes on with the one
/// after it.
///
/// A moved-from reader is an empty reader with the same limits.
class VEXAL_EXPORT vexal_reader {
 public:
  /// The outcome of `try_next`.
  enum class status {
    /// A message was parsed and consumed.
    message,
    /// The next message is not whole yet: commit or feed more bytes.
    need_more,
    /// Its headers announce more than `max_message_size` bytes.
    message_too_long,
    /// A part's payload is over `max_payload_size`.
    payload_too_long,
    /// A bad code or bad zlib data; `error()` has the parse's message.
    malformed,
    /// Memory ran short; the same message is read again on the next call.
    out_of_memory,
  };

  /// The outcome that a failure of code `code` is reported as: the two
  /// limits have statuses of their own, a lack of memory is
  /// `status::out_of_memory`, every other code is `status::malformed`, and no
  /// failure is `status::message`. The one mapping from codes to outcomes,
  /// which the C interface and the Python package take theirs from too.
  static constexpr status status_of(vexal_errc code) noexcept {
    switch (code) {
      case vexal_errc::message_too_long: return status::message_too_long;
      case vexal_errc::payload_too_long: return status::payload_too_long;
      case vexal_errc::out_of_memory: return status::out_of_memory;
      default:
        return code == vexal_errc{} ? status::message : status::malformed;
    }
  }

  /// An empty reader that applies `limits` to every message. It allocates
  /// nothing until bytes arrive.
  explicit vexal_reader(vexal_limits limits = {}) noexcept;
  /// Releases every byte held.
  ~vexal_reader();
  /// Takes over `other`'s bytes and position; `other` is left an empty
  /// reader with its limits.
  vexal_reader(vexal_reader&& other) noexcept;
  /// Takes over `other`'s bytes, position and limits; `other` is left an
  /// empty reader with its limits.
  vexal_reader& operator=(vexal_reader&& other) noexcept;
  vexal_reader(const vexal_reader&) = delete;
  vexal_reader& operator=(const vexal_reader&) = delete;

  /// Room for at least `size` bytes at the end of the reader's buffer, to
  /// be filled by the caller and then passed on with `commit`. Valid until
  /// the next call that is not const. When the buffer must grow, it grows
  /// once to hold the whole message that the headers so far announce.
  /// @return the room, or nullptr, with nothing changed, when the memory
  ///         cannot be had.
  uint8_t* prepare(size_t size) noexcept;
  /// Appends the first `size` bytes written to the room of the last
  /// `prepare`, exactly as `feed` of those bytes would; a second commit takes
  /// what the first left of that room.
  /// @return true, also for 0 bytes (nothing changes); false, with nothing
  ///         committed and the reader unchanged, when `size` is over the room
  ///         left (or no room was prepared since the last call that is not
  ///         const), as when a read's -1 is passed on as a size.
  bool commit(size_t size) noexcept;

  /// Appends `size` bytes from `data` to the stream. Bytes of a message
  /// being skipped are dropped here without being held.
  /// @throws std::bad_alloc only; the reader is then unchanged.
  void feed(const uint8_t* data, size_t size);
  /// Appends the bytes of `data` to the stream.
  /// @throws std::bad_alloc only; the reader is then unchanged.
  void feed(const std::vector<uint8_t>& data);

  /// Parses the next message into `message` once its last byte is in.
  /// @return true when a message was parsed and consumed; false, with
  ///         nothing changed, when more bytes are needed (see `needed`).
  /// @throws std::runtime_error with the texts of the parse within limits
  ///         (`vexal::parse(data, offset, limits)`), in
  ///         \ref format-the-refusal-order "the refusal order", each as soon
  ///         as the bytes received decide it: from the headers, before the
  ///         stored bytes are held, "vexal message too long", the "(raw)"
  ///         texts and "vexal payload too long" for a part stored as is;
  ///         once the message is whole, zlib's failures and "vexal payload
  ///         too long" for a payload that inflates past the bound (see
  ///         \ref errors). `message` is then left as `vexal::parse` leaves
  ///         it, and the same error is thrown again until `skip()`.
  ///         std::bad_alloc is not kept: a later `next` tries the same
  ///         message again.
  bool next(vexal& message);
  /// Does what `next` does and returns the outcome instead of throwing:
  /// `status::message` where `next` returns true, `status::need_more` where
  /// it returns false, and for each error the status that names it, with
  /// its text in `error()`. `message` is left as `next` leaves it.
  status try_next(vexal& message) noexcept;
  /// `next` into a view of the message where it lies in the reader's
  /// buffer: nothing is copied or inflated (see vexal/view.hpp). The view is
  /// valid until the next call on the reader that is not const. Its parse
  /// does not inflate, so a compressed payload over `max_payload_size` or
  /// damaged zlib data is refused only by the view's `payload(limits)`,
  /// `payload_into` or `to_message`, given the reader's limits.
  bool next(vexal_view& view);
  /// `try_next` into a view, with the view's rules as in `next` above.
  status try_next(vexal_view& view) noexcept;
  /// The next message from what the reader holds followed by the `size`
  /// bytes at `data`, for a caller that receives bytes in chunks of its own
  /// (a managed language's buffers): call it with each chunk, and again with
  /// `data + used`, `size - used` until it returns `status::need_more`. A
  /// message that begins with nothing held and lies wholly in `data` is read
  /// where it lies (`view` points into `data`); only a message cut between
  /// chunks is copied, into the reader's buffer (`view` points there, valid
  /// until the next call that is not const). Nothing of `data` past the
  /// message at the front is taken. `used` is set to the bytes of `data`
  /// consumed, on every return.
  /// @return as `try_next`: `status::message`; `status::need_more` once the
  ///         reader has kept what it needs of `data` (`used == size`); a
  ///         refusal, holding the refused message up to the end of the
  ///         header at fault and no more, again on every call until `skip()`,
  ///         after which the caller goes on with `data + used` and the rest
  ///         of that message is dropped as it arrives;
  ///         `status::out_of_memory`, with `used` what was taken before it.
  ///         The checks, texts, offsets and their order are `try_next`'s,
  ///         however the stream is cut.
  status try_read(const uint8_t* data, size_t size, size_t& used,
                  vexal_view& view) noexcept;
  /// The last refusal or memory failure that `try_next`, `try_read` or
  /// `next` reported, whole: its code, the stream offset of the field at
  /// fault and its text. No failure after `status::message` and
  /// `status::need_more`. `error()`, `error_code()` and `error_offset()` are
  /// read from it.
  const vexal_failure& failure() const noexcept;
  /// The text of the last refusal or memory failure that `try_next` or
  /// `next` reported: the message `next` throws. Empty after
  /// `status::message` and `status::need_more`.
  const std::string& error() const noexcept;
  /// The code of the failure that `error()` describes (vexal/error.hpp):
  /// `message_too_long`, `payload_too_long`, `out_of_memory`, or the code of
  /// what was malformed; empty when `error()` is.
  std::error_code error_code() const noexcept;
  /// The stream offset of the field at fault in the failure that `error()`
  /// describes: the header byte whose code is unknown, the length field that
  /// announces too much (a message over `max_message_size`, or a payload
  /// stored as is over `max_payload_size`), or the first stored byte of a
  /// part whose payload fails to inflate or inflates past
  /// `max_payload_size`. `offset()` when there is no failure.
  uint64_t error_offset() const noexcept;

  /// The stream offset of the first byte not yet consumed: where the next
  /// message starts. Bytes dropped by `skip` count too, so `offset()` plus
  /// `buffered()` is every byte fed.
  uint64_t offset() const noexcept;
  /// The bytes fed and not yet consumed.
  size_t buffered() const noexcept;
  /// The bytes the reader's buffer holds room for, used or not.
  size_t capacity() const noexcept;
  /// The bytes still missing before the next message can be whole, as far
  /// as the headers received so far tell: at least 1 whenever `next` would
  /// return false, and exactly the rest of the message once both of its
  /// headers are in (0 when a refused message is whole).
  size_t needed() const noexcept;
  /// The length on the wire (16 + L1 + L2) of the message at `offset()`,
  /// once both of its headers are in; 0 before, and while a skip is
  /// dropping. What parsing it will cost, for a caller that decides how to
  /// run the parse (a binding that lets other threads run meanwhile).
  uint64_t next_size() const noexcept;
  /// True while `skip()` is still dropping a message: its bytes are yet to
  /// arrive. While a skipped message's second header is incomplete, its
  /// bytes so far (at most 7) are held, as the skip needs its length.
  bool skipping() const noexcept;
  /// True when nothing of an unfinished or skipped message is pending, so
  /// the stream may end here; false in the middle of a message or a skip.
  bool at_boundary() const noexcept;

  /// Drops the message at `offset()` and goes on with the one after it,
  /// whatever `next` did with it: refused it, ran out of memory on it, or
  /// nothing yet. Bytes of that message still to come are dropped as they
  /// arrive, without being held. Does nothing before the message's first
  /// header (8 bytes) is in, and nothing while a skip is still dropping.
  void skip() noexcept;

  /// The wire layout of the message that `next` or `try_next` last
  /// returned; all zero before the first one.
  const vexal_wire_message& wire() const noexcept;

 private:
  struct state;
  state* own();
  std::unique_ptr<state> state_;
  vexal_limits limits_;
};

}  // namespace kelvo

#endif  // VEXAL_READER_HPP
