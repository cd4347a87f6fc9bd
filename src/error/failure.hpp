// SPDX-License-Identifier: MIT
// A failure as a value: what every step of the library that can refuse
// returns instead of throwing. It holds the kind, where in its input the
// field at fault lies, and the numbers its text carries; the text itself is
// built only when somebody asks for it, from the one table in failure.cpp.
// It owns nothing (zlib's words are zlib's own static strings), so making,
// copying and dropping one costs a few stores.
#ifndef VEXAL_SRC_ERROR_FAILURE_HPP
#define VEXAL_SRC_ERROR_FAILURE_HPP

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <type_traits>

#include "vexal/error.hpp"

namespace kelvo::detail {

// The zlib call that failed, which the text names.
enum class zlib_call : uint8_t { deflate_init, deflate, inflate_init, inflate };

struct failure {
  vexal_errc code{};  // value 0: no failure
  // The offset of the field at fault in the input that was read: a header's
  // code byte, the length field that announces too much, or the first
  // stored byte of a payload that fails. Steps that read no input leave it 0.
  uint64_t at = 0;
  // The numbers of the element reader's texts: the position and the input's
  // size (out of range), or the bytes left, the position and the element's
  // width (too short).
  uint64_t numbers[3] = {0, 0, 0};
  // zlib's failures: the call, its return code and zlib's own words (null
  // when it left none), or no call at all for "zlib input is too long".
  int zlib_code = 0;
  zlib_call call = zlib_call::inflate;
  bool zlib_input_too_long = false;
  const char* zlib_text = nullptr;

  explicit operator bool() const noexcept { return code != vexal_errc{}; }
};

// A failure of kind `code` at `at`, with no numbers.
inline failure fail(vexal_errc code, uint64_t at = 0) noexcept {
  failure f;
  f.code = code;
  f.at = at;
  return f;
}

// `f = fail(code, at)` for an `f` that holds no failure yet, as a check
// that stops at its first refusal has: only the two fields are stored. A
// failure made whole and then copied is read back in wider pieces than it
// was written in, which stalls the processor's store forwarding, and a
// reader fed garbage refuses a header on every message.
inline void refuse(failure& f, vexal_errc code, uint64_t at) noexcept {
  assert(!f);
  f.code = code;
  f.at = at;
}

// The text of code `value` without its numbers, as the error category's
// `message()` gives it; "unknown vexal error" for a value that is none.
// Static storage.
const char* failure_words(int value) noexcept;

// The failure's full text, as the throwing API throws it.
std::string failure_text(const failure& f);

// The same text written into `out` (at most `capacity` bytes, the last one
// '\0'), without allocating: for callers that must not throw, such as the C
// interface. Returns the text's full length, as snprintf does.
size_t write_failure_text(const failure& f, char* out,
                          size_t capacity) noexcept;

// Throws what the throwing API throws for `f`: std::bad_alloc for
// `out_of_memory`, std::runtime_error with `failure_text(f)` otherwise.
[[noreturn]] void throw_failure(const failure& f);

// Throws the failure of kind `code`, whose text carries no numbers.
[[noreturn]] void throw_failure(vexal_errc code);

// Runs `step` for an entry point that must not throw: a lack of memory
// (std::bad_alloc, or std::length_error from a vector asked for more than it
// can ever hold) becomes an `out_of_memory` failure. Refusals never throw,
// so this is the only catch on their way.
template <typename Step>
auto catch_out_of_memory(failure& f, Step&& step) noexcept -> decltype(step()) {
  using result = decltype(step());
  try {
    return step();
  } catch (const std::bad_alloc&) {
    f = fail(vexal_errc::out_of_memory);
  } catch (const std::length_error&) {
    f = fail(vexal_errc::out_of_memory);
  }
  if constexpr (!std::is_void_v<result>) return result{};
}

// The conversions between the core's failure and the public value that
// the no-throw API hands out: the same fields, copied.
struct failure_access {
  // Sets `out` to `f`, field by field in place, with its offset moved on by
  // `shift` (a stream reader's offsets count from the stream's start). A
  // failure made whole and then copied is read back in pieces of other
  // widths than it was written in, which stalls the processor's store
  // forwarding: a reader that refuses garbage pays that on every message.
  static void assign(vexal_failure& out, const failure& f,
                     uint64_t shift = 0) noexcept {
    out.code_ = f.code;
    out.zlib_code_ = f.zlib_code;
    out.zlib_call_ = static_cast<uint8_t>(f.call);
    out.zlib_input_too_long_ = f.zlib_input_too_long;
    out.offset_ = f.at + shift;
    for (int i = 0; i < 3; ++i) out.numbers_[i] = f.numbers[i];
    out.zlib_text_ = f.zlib_text;
  }
  static vexal_failure to_public(const failure& f) noexcept {
    vexal_failure out;
    assign(out, f);
    return out;
  }
  static failure from_public(const vexal_failure& v) noexcept {
    failure f;
    f.code = v.code_;
    f.zlib_code = v.zlib_code_;
    f.call = static_cast<zlib_call>(v.zlib_call_);
    f.zlib_input_too_long = v.zlib_input_too_long_;
    f.at = v.offset_;
    for (int i = 0; i < 3; ++i) f.numbers[i] = v.numbers_[i];
    f.zlib_text = v.zlib_text_;
    return f;
  }
};

// Sets `out` to `f`; returns whether there is a failure.
inline bool report(const failure& f, vexal_failure& out) noexcept {
  out = failure_access::to_public(f);
  return static_cast<bool>(f);
}

// Sets `ec` to `f`'s code, or clears it when there is no failure; returns
// whether there is one.
inline bool report(const failure& f, std::error_code& ec) noexcept {
  if (f) {
    ec = make_error_code(f.code);
    return true;
  }
  ec.clear();
  return false;
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_ERROR_FAILURE_HPP
