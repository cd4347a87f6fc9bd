// SPDX-License-Identifier: MIT
// The library's failures as values: one `vexal_errc` per fixed text that the
// library throws, wired into `std::error_code` as `std::filesystem` and asio
// wire theirs, so that a caller tells failures apart by their code, never by
// their text.
//
// The throwing API (`vexal::parse`, `vexal_view::parse`, `payload`, ...)
// throws std::runtime_error with the full text, numbers and zlib's words
// included; the overloads that take a `std::error_code&` set the code
// instead and throw nothing, and those that take a `vexal_failure&` keep the
// whole failure: code, offset of the field at fault and the full text.
// `message()` of a code is the text without the numbers it may carry.
#ifndef VEXAL_ERROR_HPP
#define VEXAL_ERROR_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>
#include <type_traits>

#include "vexal/export.hpp"

namespace kelvo {

/// What went wrong. 0 is success, as `std::error_code` requires.
enum class vexal_errc : int {
  /// "Can't unpack element: Input too short [..] at [..] expected [..]": a
  /// part header read from fewer than its 8 bytes.
  input_too_short = 1,
  /// "Can't unpack element: Possition [..] out of range [..]": a part header
  /// read at an offset past the end of its input.
  position_out_of_range,
  /// "Unknown vexal type": a part's type is outside its enumeration.
  unknown_type,
  /// "Unknown vexal format": a part's format is outside its enumeration.
  unknown_format,
  /// "Unknown vexal compression": a part's compression is outside its
  /// enumeration.
  unknown_compression,
  /// "Unknown vexal type (raw)": a header's type code is neither 1 nor 2.
  unknown_type_code,
  /// "Unknown vexal format (raw)": a header's format code is not 1, 2 or 3.
  unknown_format_code,
  /// "Unknown vexal compression (raw)": a header's compression code is
  /// neither 0 nor 1.
  unknown_compression_code,
  /// "vexal parts payload is too long": a stored payload over 2^32 - 1
  /// bytes cannot be composed.
  parts_payload_too_long,
  /// "Failed zlib::<call> [<code>]: <zlib's text>", or "zlib input is too
  /// long": zlib refused the data (damaged, cut short, or not a zlib
  /// stream) or could not start.
  zlib_failed,
  /// "vexal message too long": a message's headers announce more than
  /// `vexal_limits::max_message_size` bytes.
  message_too_long,
  /// "vexal payload too long": a part's payload, stored or inflated, is
  /// over `vexal_limits::max_payload_size`.
  payload_too_long,
  /// "std::bad_alloc": memory ran short.
  out_of_memory,
  /// "vexal part is compressed": the raw headers of a message were asked
  /// for while a part is compressed, whose stored bytes only composing
  /// makes.
  compressed_part,
};

/// The category of `vexal_errc`; its `name()` is "vexal".
VEXAL_EXPORT const std::error_category& vexal_category() noexcept;

/// `e` in `vexal_category()`; found by `std::error_code`'s constructor from
/// a `vexal_errc`, so `ec == vexal_errc::zlib_failed` reads as it says.
VEXAL_EXPORT std::error_code make_error_code(vexal_errc e) noexcept;

namespace detail {
struct failure_access;
}

/// One failure as a value: what a no-throw call refused, where, and the
/// text the throwing form would throw. It owns nothing and allocates
/// nothing (the numbers are kept, the text is built when asked for), so a
/// refusal that fills one costs what a success costs. A default-made one is
/// no failure.
class VEXAL_EXPORT vexal_failure {
 public:
  /// No failure.
  constexpr vexal_failure() noexcept = default;

  /// True when there is a failure.
  explicit operator bool() const noexcept { return code_ != vexal_errc{}; }
  /// What went wrong; value 0 when nothing did.
  vexal_errc code() const noexcept { return code_; }
  /// The code as a `std::error_code`; empty when there is no failure.
  std::error_code error_code() const noexcept;
  /// `error_code()`, so a failure goes where a `std::error_code` does
  /// (implicit on purpose).
  // NOLINTNEXTLINE(google-explicit-constructor)
  operator std::error_code() const noexcept { return error_code(); }
  /// The offset of the field at fault in the input that was read: the
  /// header byte whose code is unknown, the length field that announces too
  /// much, or the first stored byte of a part whose payload fails to inflate
  /// or inflates past its bound (in the stream, for a reader). 0 where the
  /// call reads no input (composing) or there is no failure.
  uint64_t offset() const noexcept { return offset_; }
  /// The full text, as the throwing form throws it: numbers and zlib's
  /// words included ("Failed zlib::inflate [-3]: incorrect header check");
  /// empty when there is no failure.
  /// @throws std::bad_alloc only.
  std::string message() const;
  /// The full text written into `out` (at most `capacity` bytes, the last
  /// one '\0'), without allocating.
  /// @return the text's whole length, as snprintf gives it.
  size_t message(char* out, size_t capacity) const noexcept;

 private:
  friend struct detail::failure_access;
  vexal_errc code_{};
  int zlib_code_ = 0;
  uint8_t zlib_call_ = 0;
  bool zlib_input_too_long_ = false;
  uint64_t offset_ = 0;
  uint64_t numbers_[3] = {0, 0, 0};
  const char* zlib_text_ = nullptr;
};

}  // namespace kelvo

namespace std {
/// Lets a `vexal_errc` convert to, and compare with, `std::error_code`.
template <>
struct is_error_code_enum<kelvo::vexal_errc> : true_type {};
}  // namespace std

#endif  // VEXAL_ERROR_HPP
