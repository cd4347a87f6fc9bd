// SPDX-License-Identifier: MIT
// Reading vexal messages in place, without copying them.
//
// `vexal_view::parse` checks a message where it lies in the caller's bytes
// and keeps only where its parts are and what their headers say; nothing is
// copied, inflated or allocated. A part's payload is copied, or inflated,
// only when it is asked for.
//
// A view points into the caller's bytes: it is valid while they are, and
// while they are not changed. `vexal_reader` (vexal/reader.hpp) hands out
// views into its own buffer, valid until its next call that is not const. It
// owns nothing, and copying it copies a few pointers and codes. Views of the
// same bytes are distinct objects.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
//
// Which errors come later than with `vexal::parse`: `vexal_view::parse`
// refuses with the messages, and in the order, of the parse within limits
// (the refusal order, docs/format.md), but it does not inflate: damaged zlib
// data ("Failed zlib::inflate [...]: ...") and an inflated payload over
// `max_payload_size` ("vexal payload too long") are refused only by
// `payload`, `payload_into` or `to_message`.
#ifndef VEXAL_VIEW_HPP
#define VEXAL_VIEW_HPP

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "vexal/detail/whole_message.hpp"
#include "vexal/error.hpp"
#include "vexal/export.hpp"
#include "vexal/limits.hpp"
#include "vexal/payload.hpp"
#include "vexal/vexal.hpp"

namespace kelvo {

namespace detail {
struct view_core;
}  // namespace detail

/// One part of a message as it lies in the caller's bytes.
///
/// The type, format and compression are what a part of `vexal::parse`
/// holds: the type of its place, and compression `none` or `zlib_default`.
/// A default view is an empty part stored as is, like a default part.
class VEXAL_EXPORT vexal_part_view {
 public:
  /// An empty part of type 0, stored as is.
  vexal_part_view() noexcept = default;

  /// The part's type: `first` for the part that leads the message.
  vexal_part_type type() const noexcept { return type_; }
  /// The payload format that the header names.
  vexal_part_payload::format get_format() const noexcept { return format_; }
  /// `none` when stored as is, `zlib_default` when stored as a zlib stream.
  vexal_part_payload::compression get_compression() const noexcept {
    return compression_;
  }
  /// True when the part is stored as a zlib stream.
  bool compressed() const noexcept {
    return compression_ != vexal_part_payload::compression::none;
  }

  /// The stored bytes after the header, in the caller's buffer.
  const uint8_t* stored_data() const noexcept { return stored_; }
  /// The stored length L that the header announces.
  size_t stored_size() const noexcept { return stored_size_; }
  /// The payload in the caller's buffer: for a part stored as is, the
  /// stored bytes; nullptr for a compressed part, whose payload must be
  /// inflated (`payload`, `payload_into`).
  const uint8_t* payload_data() const noexcept {
    return compressed() ? nullptr : stored_;
  }
  /// The payload's size for a part stored as is (the stored size); 0 for a
  /// compressed part.
  size_t payload_size() const noexcept {
    return compressed() ? 0 : stored_size_;
  }

  /// The payload: a copy of the stored bytes, or the inflated zlib stream.
  /// @throws std::runtime_error "vexal payload too long" when the payload,
  ///         stored or inflated, is over `limits.max_payload_size` (inflating
  ///         stops as soon as it passes it); zlib's failures as
  ///         `vexal::parse` reports them ("Failed zlib::inflate [-3]: ...").
  std::vector<uint8_t> payload(
      const vexal_limits& limits = vexal_limits::unlimited()) const;
  /// Replaces `out`'s contents with the payload, as `payload` returns it,
  /// writing into `out`'s own storage: a vector reused for payloads of
  /// similar size allocates nothing.
  /// @throws the errors of `payload`; `out` is then empty.
  void payload_into(
      std::vector<uint8_t>& out,
      const vexal_limits& limits = vexal_limits::unlimited()) const;

  /// `payload_into` that throws nothing: where it throws, `ec` is set to the
  /// error's code (`vexal_errc::zlib_failed`, `payload_too_long`, or
  /// `out_of_memory`) and `out` is left as it leaves it; `ec` is cleared on
  /// success.
  void payload_into(std::vector<uint8_t>& out, const vexal_limits& limits,
                    std::error_code& ec) const noexcept;
  /// `payload_into` that throws nothing, keeping the whole failure (zlib's
  /// words included); its offset is 0, as the view does not know where it
  /// lies.
  void payload_into(std::vector<uint8_t>& out, const vexal_limits& limits,
                    vexal_failure& failure) const noexcept;

 private:
  friend class vexal_view;
  friend struct detail::view_core;

  vexal_part_view(vexal_part_type type, vexal_part_payload::format format,
                  vexal_part_payload::compression compression,
                  const uint8_t* stored, uint32_t stored_size) noexcept
      : stored_(stored),
        stored_size_(stored_size),
        type_(type),
        format_(format),
        compression_(compression) {}

  const uint8_t* stored_ = nullptr;
  uint32_t stored_size_ = 0;
  vexal_part_type type_ = vexal_part_type::second;
  vexal_part_payload::format format_ = vexal_part_payload::format::bytes;
  vexal_part_payload::compression compression_ =
      vexal_part_payload::compression::none;
};

/// A two-part message as it lies in the caller's bytes.
///
/// A default view, and a view whose parse has not yet succeeded, has two
/// empty parts and `size()` 0.
class VEXAL_EXPORT vexal_view {
 public:
  /// Two empty parts, of types 1 and 0; `size()` 0.
  vexal_view() noexcept { first_.type_ = vexal_part_type::first; }

  /// Reads the message at `offset` of the `size` bytes at `data` without
  /// copying or inflating anything: both headers, their codes and lengths
  /// are checked as the bounded `vexal::parse` checks them, in
  /// \ref format-the-refusal-order "the refusal order". Inline: a whole
  /// message that passes every check is read with no call into the library,
  /// which checks anything else.
  /// @return the offset just past the message, or `offset` when the bytes
  ///         do not hold the whole message; the view is then unchanged.
  /// @throws std::runtime_error "Unknown vexal type (raw)", "Unknown vexal
  ///         format (raw)" or "Unknown vexal compression (raw)" for a bad
  ///         code; "vexal message too long" for a message over
  ///         `limits.max_message_size`; "vexal payload too long" for a part
  ///         stored as is over `limits.max_payload_size`. The view is then
  ///         unchanged. A compressed part's zlib stream is not checked here
  ///         (see the top of this header).
  size_t parse(const uint8_t* data, size_t size, size_t offset,
               const vexal_limits& limits = vexal_limits::unlimited()) {
    size_t end = 0;
    if (parse_whole(data, size, offset, limits, end)) return end;
    return parse_checked(data, size, offset, limits);
  }
  /// The parse above, of the bytes of `data`.
  size_t parse(const std::vector<uint8_t>& data, size_t offset,
               const vexal_limits& limits = vexal_limits::unlimited()) {
    return parse(data.data(), data.size(), offset, limits);
  }

  /// The parse that throws nothing: where the throwing form throws, `ec` is
  /// set to the error's code (vexal/error.hpp) and `offset` is returned with
  /// the view unchanged. `ec` is cleared on success and on short input.
  size_t parse(const uint8_t* data, size_t size, size_t offset,
               const vexal_limits& limits, std::error_code& ec) noexcept;

  /// The parse above, of the bytes of `data`.
  size_t parse(const std::vector<uint8_t>& data, size_t offset,
               const vexal_limits& limits, std::error_code& ec) noexcept {
    return parse(data.data(), data.size(), offset, limits, ec);
  }
  /// The parse that throws nothing, keeping the whole failure: its code,
  /// the offset of the field at fault in `data` and the text.
  size_t parse(const uint8_t* data, size_t size, size_t offset,
               const vexal_limits& limits, vexal_failure& failure) noexcept;

  /// The type-1 part, which leads the message.
  const vexal_part_view& first() const noexcept { return first_; }
  /// The type-0 part, which closes the message.
  const vexal_part_view& second() const noexcept { return second_; }
  /// The message's length on the wire, 16 + L1 + L2; 0 before a parse.
  size_t size() const noexcept { return size_; }

  /// The owning message that `vexal::parse` would give: each payload is
  /// copied, or inflated, into its part.
  /// @throws the errors of `vexal_part_view::payload`, first part first.
  vexal to_message(
      const vexal_limits& limits = vexal_limits::unlimited()) const;

 private:
  friend struct detail::view_core;

  // `parse` of what its inline path does not take: short input, an offset
  // at or past the end, or a refusal.
  size_t parse_checked(const uint8_t* data, size_t size, size_t offset,
                       const vexal_limits& limits);

  // The inline path of every `parse`: true, with the view filled and `end`
  // past the message, when the message at `offset` is whole and passes
  // every check; false, with the view untouched, for anything else.
  bool parse_whole(const uint8_t* data, size_t size, size_t offset,
                   const vexal_limits& limits, size_t& end) noexcept {
    detail::whole_message whole;
    if (offset >= size || !detail::accept_whole_message(
                              data + offset, size - offset, limits, whole)) {
      return false;
    }
    end = offset + show(data + offset, whole);
    return true;
  }

  // Points the parts at the whole message at `message`, whose headers have
  // passed every check, and returns its size.
  size_t show(const uint8_t* message,
              const detail::whole_message& whole) noexcept {
    using codes = detail::wire_codes;
    const auto part = [](vexal_part_type type, const uint8_t* header,
                         uint32_t stored) {
      return vexal_part_view(
          type, codes::format_of(header[vexal_part_format_offset]),
          codes::compression_of(header[vexal_part_compression_offset]),
          header + vexal_part_header_size, stored);
    };
    first_ = part(vexal_part_type::first, message, whole.first_stored);
    second_ = part(vexal_part_type::second, message + whole.second_at(),
                   whole.second_stored);
    size_ = static_cast<size_t>(whole.size);
    return size_;
  }

  vexal_part_view first_;
  vexal_part_view second_;
  size_t size_ = 0;
};

static_assert(std::is_trivially_copyable_v<vexal_part_view> &&
                  std::is_trivially_copyable_v<vexal_view>,
              "views are copied as plain bytes");

}  // namespace kelvo

#endif  // VEXAL_VIEW_HPP
