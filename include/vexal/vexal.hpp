// SPDX-License-Identifier: MIT
// The vexal message: a type-1 part followed by a type-0 part, back to back,
// with no framing of its own. Including this header gives the parts, the
// message, its bounded parse and `vexal_limits`; the stream reader is in
// vexal/reader.hpp and the version queries in vexal/version.hpp.
//
// A message ends where its second part ends, so several messages can lie back
// to back in one vector: parse each at the offset the previous parse returned.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_VEXAL_HPP
#define VEXAL_VEXAL_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vexal/constants.hpp"
#include "vexal/error.hpp"
#include "vexal/export.hpp"
#include "vexal/limits.hpp"
#include "vexal/part.hpp"
#include "vexal/payload.hpp"
#include "vexal/serializer.hpp"

namespace kelvo {

namespace detail {
struct message_core;
}  // namespace detail

/// The part type that leads a message.
using vexal_first_part = vexal_part<vexal_part_type::first>;
/// The part type that closes a message.
using vexal_second_part = vexal_part<vexal_part_type::second>;

/// A two-part vexal message.
///
/// Composing appends the first part, then the second; if the second fails,
/// the first part's bytes stay appended. A parse takes over both parts or
/// neither: with too few bytes it returns its start offset and the message is
/// unchanged; if the first part is malformed the message is unchanged; if the
/// second is malformed the first part is unchanged and the second may be
/// partly replaced.
class VEXAL_EXPORT vexal : public vexal_serializer {
 public:
  /// Two empty parts.
  vexal();
  /// Copies both parts.
  vexal(const vexal_first_part& first, const vexal_second_part& second);
  /// Moves both parts; the arguments keep their records with empty payloads.
  vexal(vexal_first_part&& first, vexal_second_part&& second);
  /// Copies the first part and moves the second.
  vexal(const vexal_first_part& first, vexal_second_part&& second);
  /// Moves the first part and copies the second.
  vexal(vexal_first_part&& first, const vexal_second_part& second);

  /// Copies both parts.
  vexal(const vexal& other);
  /// Moves both parts; `other` keeps its records with empty payloads. Each
  /// new part allocates its record, so this may throw std::bad_alloc; `swap`
  /// exchanges two messages without allocating.
  vexal(vexal&& other);
  ~vexal() override;
  /// Copy-assigns both parts, first then second.
  vexal& operator=(const vexal& other);
  /// Move-assigns both parts.
  vexal& operator=(vexal&& other) noexcept;

  /// Swaps each part with `other`'s (see `vexal_part_ctx::swap`): every
  /// part keeps its record and references into it, nothing is allocated or
  /// copied.
  void swap(vexal& other) noexcept;
  /// `a.swap(b)`, found by argument-dependent lookup.
  friend void swap(vexal& a, vexal& b) noexcept { a.swap(b); }

  /// True when both parts are equal, types included; the second part is
  /// compared only when the first parts are equal.
  bool operator==(const vexal& other) const noexcept;
  /// Negation of `operator==`, with the same short circuit.
  bool operator!=(const vexal& other) const noexcept;

  /// The unlimited parse of `vexal_serializer`, beside the bounded one.
  using vexal_serializer::parse;

  /// Parses a message at `offset` of `data` within `limits`, so that bytes
  /// from an untrusted peer cost at most what the limits allow. It refuses
  /// in \ref format-the-refusal-order "the refusal order", which the stream
  /// reader and `vexal_view::parse` share: nothing is read or decompressed
  /// until the whole message is there and both headers pass.
  /// @return the offset just past the message, or `offset` itself when
  ///         `data` does not hold the whole message and the headers present
  ///         pass (nothing is then changed).
  /// @throws std::runtime_error, for the first header and then the second:
  ///         "vexal message too long" when it announces a message (16 + L1
  ///         from the first header alone, 16 + L1 + L2 with both) over
  ///         `limits.max_message_size`; "Unknown vexal type (raw)", "Unknown
  ///         vexal format (raw)", "Unknown vexal compression (raw)" for an
  ///         unknown code; "vexal payload too long" for a part stored as is
  ///         over `limits.max_payload_size`. The message is then unchanged.
  /// @throws std::runtime_error, once the message is whole, zlib's failures
  ///         and "vexal payload too long" for a payload that inflates past
  ///         `limits.max_payload_size` (inflating stops as soon as it passes
  ///         it): the first part is then unchanged, and the second left as
  ///         after a zlib failure in it (see \ref errors).
  [[nodiscard]] size_t parse(const std::vector<uint8_t>& data, size_t offset,
                             const vexal_limits& limits);
  /// The parse within `limits` above, of the `size` bytes at `data` rather
  /// than of a vector: the same offsets, errors and guarantees, for bytes
  /// that already lie in a buffer of the caller's (a receive buffer, a
  /// mapped file, a Python bytes object) and need no copy into a vector.
  [[nodiscard]] size_t parse(const uint8_t* data, size_t size, size_t offset,
                             const vexal_limits& limits);
  /// The parse within `limits` that throws nothing: where the throwing form
  /// throws, `ec` is set to the error's code (`vexal_errc`, vexal/error.hpp;
  /// `out_of_memory` for std::bad_alloc), `offset` is returned and the
  /// message is left exactly as the throwing form leaves it. `ec` is cleared
  /// on success and on short input.
  [[nodiscard]] size_t parse(const std::vector<uint8_t>& data, size_t offset,
                             const vexal_limits& limits,
                             std::error_code& ec) noexcept;
  /// The parse above, of the `size` bytes at `data`.
  [[nodiscard]] size_t parse(const uint8_t* data, size_t size, size_t offset,
                             const vexal_limits& limits,
                             std::error_code& ec) noexcept;
  /// The parse that throws nothing, keeping the whole failure: its code,
  /// the offset of the field at fault in `data` and the text the throwing
  /// form throws. Otherwise as the `std::error_code` form; `failure` is
  /// cleared on success and on short input.
  [[nodiscard]] size_t parse(const uint8_t* data, size_t size, size_t offset,
                             const vexal_limits& limits,
                             vexal_failure& failure) noexcept;

  /// For a message whose parts are stored as is: the headers that `compose`
  /// writes, the first part's `vexal_part_header_size` bytes, then the
  /// second part's. A server sends the message without composing it, each
  /// payload from where it lies: header 1, `first().get_payload()`, header
  /// 2, `second().get_payload()`, in one `writev`. A compressed part must be
  /// composed (`compose`), since its stored bytes are its zlib stream.
  /// @throws std::runtime_error "vexal part is compressed" when a part's
  ///         compression is a valid one other than `none`; otherwise what
  ///         `compose` throws for the part's values ("Unknown vexal
  ///         compression", "vexal parts payload is too long", "Unknown vexal
  ///         type", "Unknown vexal format"), first part first.
  std::array<uint8_t, vexal_raw_headers_size> raw_headers() const;
  /// `raw_headers` that throws nothing: where it throws, `ec` is set to the
  /// error's code (`vexal_errc::compressed_part`, or what composing refuses)
  /// and the headers returned are all zero; `ec` is cleared on success.
  std::array<uint8_t, vexal_raw_headers_size> raw_headers(
      std::error_code& ec) const noexcept;
  /// `raw_headers` that throws nothing, keeping the whole failure.
  std::array<uint8_t, vexal_raw_headers_size> raw_headers(
      vexal_failure& failure) const noexcept;

  /// The entry points of `vexal_serializer`, beside the one below.
  using vexal_serializer::compose;
  /// `compose(out)` that throws nothing: where it throws, `ec` is set to the
  /// error's code (`unknown_compression`, `zlib_failed`,
  /// `parts_payload_too_long`, `unknown_type`, `unknown_format`, or
  /// `out_of_memory`) and `out` is left as it leaves it: unchanged when the
  /// first part is refused, holding the first part's bytes when the second
  /// is. `ec` is cleared on success.
  void compose(std::vector<uint8_t>& out, std::error_code& ec) const noexcept;
  /// `compose(out)` that throws nothing, keeping the whole failure (zlib's
  /// words included); `out` as the `std::error_code` form leaves it.
  void compose(std::vector<uint8_t>& out,
               vexal_failure& failure) const noexcept;

  /// The type-1 part, which leads the message.
  vexal_first_part& first() noexcept;
  /// The type-1 part, which leads the message.
  const vexal_first_part& first() const noexcept;
  /// The type-0 part, which closes the message.
  vexal_second_part& second() noexcept;
  /// The type-0 part, which closes the message.
  const vexal_second_part& second() const noexcept;

 private:
  friend struct detail::message_core;
  void compose_impl(std::vector<uint8_t>& out) const override;
  size_t parse_impl(const std::vector<uint8_t>& data, size_t offset) override;

  vexal_first_part first_;
  vexal_second_part second_;
};

}  // namespace kelvo

#endif  // VEXAL_VEXAL_HPP
