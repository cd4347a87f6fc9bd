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
// Threads: distinct objects may be used from different threads at once, and
// so may one object that no thread changes (its `const` members). A call that
// changes an object must not overlap with any other use of that object,
// reading included: `parse`, `feed`, `next`, `skip`, the setters
// (`set_payload`, `set_format`, `set_compression`, `set_type`,
// `set_default_type`, `init`), `take_payload`, `swap`, assignment, moving
// from the object, the non-`const` `first()` and `second()`, and destruction.
// `swap` and `next(message)` change both objects they are given;
// `compose(out)` changes `out`.
#ifndef VEXAL_READER_HPP
#define VEXAL_READER_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "vexal/export.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.hpp"

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

/// Where and how the message that `vexal_reader::next` last returned lay on
/// the wire.
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
/// Feed the bytes as they arrive, then call `next` until it returns false:
///
///     reader.feed(chunk, n);
///     while (reader.next(message)) use(message);
///
/// The reader holds at most the message it is reading plus the bytes of one
/// `feed` call; consumed bytes are released or reused.
///
/// When a message is refused (too long, payload too long, or malformed),
/// `next` throws std::runtime_error and keeps throwing the same error until
/// `skip()` drops that message; reading then goes on with the one after it.
class VEXAL_EXPORT vexal_reader {
 public:
  /// An empty reader that applies `limits` to every message.
  explicit vexal_reader(vexal_limits limits = {});
  /// Releases every byte held.
  ~vexal_reader();
  /// Takes over `other`'s bytes and position; `other` may then only be
  /// destroyed or assigned to.
  vexal_reader(vexal_reader&& other) noexcept;
  /// Takes over `other`'s bytes and position; `other` may then only be
  /// destroyed or assigned to.
  vexal_reader& operator=(vexal_reader&& other) noexcept;
  vexal_reader(const vexal_reader&) = delete;
  vexal_reader& operator=(const vexal_reader&) = delete;

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
  /// @throws std::runtime_error "vexal message too long" as soon as a header
  ///         announces more than `max_message_size` bytes (16 + L1 from the
  ///         first header alone, 16 + L1 + L2 from both), before the stored
  ///         bytes are held; "vexal payload too long" when a part's payload
  ///         is over `max_payload_size`; the parse's messages for malformed
  ///         input (see \ref errors). `message` is then left as
  ///         `vexal::parse` leaves it, and the same error is thrown again
  ///         until `skip()`. std::bad_alloc is not kept: a later `next`
  ///         tries the same message again.
  bool next(vexal& message);

  /// The stream offset of the first byte not yet consumed: where the next
  /// message starts. Bytes dropped by `skip` count too, so `offset()` plus
  /// `buffered()` is every byte fed.
  uint64_t offset() const noexcept;
  /// The bytes fed and not yet consumed.
  size_t buffered() const noexcept;
  /// The bytes still missing before the next message can be whole, as far
  /// as the headers received so far tell: at least 1 whenever `next` would
  /// return false, and exactly the rest of the message once both of its
  /// headers are in (0 when a refused message is whole).
  size_t needed() const noexcept;

  /// Drops the message that `next` refused and goes on with the one after
  /// it. Bytes of that message still to come are dropped as they arrive,
  /// without being held. Does nothing when no message was refused.
  void skip();

  /// The wire layout of the message that the last successful `next`
  /// returned; all zero before the first one.
  const vexal_wire_message& wire() const noexcept;

 private:
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace kelvo

#endif  // VEXAL_READER_HPP
