// SPDX-License-Identifier: MIT
// The library's texts, in one table: each kind's words, with the places
// where a failure's numbers go. `message()` of the error category gives the
// words alone; the throwing API and the C interface give the whole text.
#include "error/failure.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

namespace kelvo::detail {

namespace {

struct text_entry {
  const char* words;   // the text without its numbers: message()
  const char* format;  // the whole text, for snprintf; null: the words
};

// By vexal_errc value; entry 0 stands for success.
constexpr text_entry texts[] = {
    {"success", nullptr},
    {"Can't unpack element: Input too short",
     "Can't unpack element: Input too short [%" PRIu64 "] at [%" PRIu64
     "] expected [%" PRIu64 "]"},
    {"Can't unpack element: Possition out of range",
     "Can't unpack element: Possition [%" PRIu64 "] out of range [%" PRIu64
     "]"},
    {"Unknown vexal type", nullptr},
    {"Unknown vexal format", nullptr},
    {"Unknown vexal compression", nullptr},
    {"Unknown vexal type (raw)", nullptr},
    {"Unknown vexal format (raw)", nullptr},
    {"Unknown vexal compression (raw)", nullptr},
    {"vexal parts payload is too long", nullptr},
    {"Failed zlib", "Failed zlib::%s [%d]: %s"},
    {"vexal message too long", nullptr},
    {"vexal payload too long", nullptr},
    {"std::bad_alloc", nullptr},
    {"vexal part is compressed", nullptr},
};
constexpr int text_count = sizeof texts / sizeof texts[0];
static_assert(text_count == static_cast<int>(vexal_errc::compressed_part) + 1,
              "one text for every code");

constexpr const char* zlib_too_long_text = "zlib input is too long";

const char* zlib_call_name(zlib_call call) {
  switch (call) {
    case zlib_call::deflate_init: return "deflateInit";
    case zlib_call::deflate: return "deflate";
    case zlib_call::inflate_init: return "inflateInit";
    case zlib_call::inflate: return "inflate";
  }
  return "inflate";
}

class category final : public std::error_category {
 public:
  const char* name() const noexcept override { return "vexal"; }
  std::string message(int value) const override { return failure_words(value); }
};

}  // namespace

const char* failure_words(int value) noexcept {
  return value >= 0 && value < text_count ? texts[value].words
                                          : "unknown vexal error";
}

size_t write_failure_text(const failure& f, char* out,
                          size_t capacity) noexcept {
  // Every failure the library makes carries one of the codes of the table.
  const text_entry& e = texts[static_cast<int>(f.code)];
  int length;
  if (f.code == vexal_errc::zlib_failed) {
    length = f.zlib_input_too_long
                 ? std::snprintf(out, capacity, "%s", zlib_too_long_text)
                 : std::snprintf(out, capacity, e.format,
                                 zlib_call_name(f.call), f.zlib_code,
                                 f.zlib_text != nullptr ? f.zlib_text : "");
  } else if (e.format != nullptr) {
    length = std::snprintf(out, capacity, e.format, f.numbers[0], f.numbers[1],
                           f.numbers[2]);
  } else {
    // Most refusals: a fixed text, copied without snprintf's cost, so that
    // a reader that refuses garbage spends on it what a message costs.
    const size_t words = std::strlen(e.words);
    if (capacity > 0) {
      const size_t kept = words < capacity ? words : capacity - 1;
      std::memcpy(out, e.words, kept);
      out[kept] = '\0';
    }
    return words;
  }
  return length > 0 ? static_cast<size_t>(length) : 0;
}

std::string failure_text(const failure& f) {
  std::string text(write_failure_text(f, nullptr, 0), '\0');
  // snprintf writes the closing '\0' into the string's own terminator.
  write_failure_text(f, text.data(), text.size() + 1);
  return text;
}

void throw_failure(const failure& f) {
  if (f.code == vexal_errc::out_of_memory) throw std::bad_alloc();
  throw std::runtime_error(failure_text(f));
}

void throw_failure(vexal_errc code) { throw_failure(fail(code)); }

}  // namespace kelvo::detail

namespace kelvo {

const std::error_category& vexal_category() noexcept {
  static const detail::category instance;
  return instance;
}

std::error_code make_error_code(vexal_errc e) noexcept {
  return {static_cast<int>(e), vexal_category()};
}

std::error_code vexal_failure::error_code() const noexcept {
  if (!*this) return {};
  return make_error_code(code_);
}

std::string vexal_failure::message() const {
  if (!*this) return {};
  return detail::failure_text(detail::failure_access::from_public(*this));
}

size_t vexal_failure::message(char* out, size_t capacity) const noexcept {
  if (!*this) {
    if (capacity > 0) out[0] = '\0';
    return 0;
  }
  return detail::write_failure_text(detail::failure_access::from_public(*this),
                                    out, capacity);
}

}  // namespace kelvo
