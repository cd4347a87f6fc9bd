// SPDX-License-Identifier: MIT
// The C interface's names for its numbers, and the version of the library a
// program runs against. The C enumerations restate the C++ library's values
// so that a C header can stand alone; the assertions below keep the two
// equal.
#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "c/c_support.hpp"
#include "vexal/constants.hpp"
#include "vexal/payload.hpp"
#include "vexal/vexal.h"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;  // NOLINT(google-build-using-namespace)

namespace {

constexpr int value(vexal_errc code) { return static_cast<int>(code); }

static_assert(VEXAL_CODE_INPUT_TOO_SHORT == value(vexal_errc::input_too_short));
static_assert(VEXAL_CODE_POSITION_OUT_OF_RANGE ==
              value(vexal_errc::position_out_of_range));
static_assert(VEXAL_CODE_UNKNOWN_TYPE == value(vexal_errc::unknown_type));
static_assert(VEXAL_CODE_UNKNOWN_FORMAT == value(vexal_errc::unknown_format));
static_assert(VEXAL_CODE_UNKNOWN_COMPRESSION ==
              value(vexal_errc::unknown_compression));
static_assert(VEXAL_CODE_UNKNOWN_TYPE_CODE ==
              value(vexal_errc::unknown_type_code));
static_assert(VEXAL_CODE_UNKNOWN_FORMAT_CODE ==
              value(vexal_errc::unknown_format_code));
static_assert(VEXAL_CODE_UNKNOWN_COMPRESSION_CODE ==
              value(vexal_errc::unknown_compression_code));
static_assert(VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG ==
              value(vexal_errc::parts_payload_too_long));
static_assert(VEXAL_CODE_ZLIB_FAILED == value(vexal_errc::zlib_failed));
static_assert(VEXAL_CODE_MESSAGE_TOO_LONG ==
              value(vexal_errc::message_too_long));
static_assert(VEXAL_CODE_PAYLOAD_TOO_LONG ==
              value(vexal_errc::payload_too_long));
static_assert(VEXAL_CODE_OUT_OF_MEMORY == value(vexal_errc::out_of_memory));
static_assert(VEXAL_CODE_COMPRESSED_PART == value(vexal_errc::compressed_part));

using format = vexal_part_payload::format;
using compression = vexal_part_payload::compression;
static_assert(VEXAL_PART_FIRST == static_cast<int>(vexal_part_type::first) &&
              VEXAL_PART_SECOND == static_cast<int>(vexal_part_type::second));
static_assert(VEXAL_FORMAT_BYTES == static_cast<int>(format::bytes) &&
              VEXAL_FORMAT_APPLICATION_1 ==
                  static_cast<int>(format::application_1) &&
              VEXAL_FORMAT_APPLICATION_2 ==
                  static_cast<int>(format::application_2));
static_assert(VEXAL_COMPRESSION_NONE == static_cast<int>(compression::none) &&
              VEXAL_COMPRESSION_ZLIB_DEFAULT ==
                  static_cast<int>(compression::zlib_default) &&
              VEXAL_COMPRESSION_ZLIB_BEST_SPEED ==
                  static_cast<int>(compression::zlib_best_speed) &&
              VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION ==
                  static_cast<int>(compression::zlib_best_compression) &&
              VEXAL_COMPRESSION_ZLIB_LEVEL(1) ==
                  static_cast<int>(compression::zlib_level_1) &&
              VEXAL_COMPRESSION_ZLIB_LEVEL(9) ==
                  static_cast<int>(compression::zlib_level_9));
static_assert(VEXAL_DEFAULT_LIMIT == vexal_limits::default_size);
static_assert(VEXAL_PART_HEADER_SIZE == vexal_part_header_size &&
              VEXAL_RAW_HEADERS_SIZE == vexal_raw_headers_size);

// By value.
constexpr const char* status_names[] = {"VEXAL_OK",
                                        "VEXAL_NEED_MORE",
                                        "VEXAL_MALFORMED",
                                        "VEXAL_MESSAGE_TOO_LONG",
                                        "VEXAL_PAYLOAD_TOO_LONG",
                                        "VEXAL_OUT_OF_MEMORY",
                                        "VEXAL_INVALID_ARGUMENT",
                                        "VEXAL_OUTPUT_TOO_SMALL"};
static_assert(std::size(status_names) == VEXAL_OUTPUT_TOO_SMALL + 1);

constexpr const char* code_names[] = {"VEXAL_CODE_NONE",
                                      "VEXAL_CODE_INPUT_TOO_SHORT",
                                      "VEXAL_CODE_POSITION_OUT_OF_RANGE",
                                      "VEXAL_CODE_UNKNOWN_TYPE",
                                      "VEXAL_CODE_UNKNOWN_FORMAT",
                                      "VEXAL_CODE_UNKNOWN_COMPRESSION",
                                      "VEXAL_CODE_UNKNOWN_TYPE_CODE",
                                      "VEXAL_CODE_UNKNOWN_FORMAT_CODE",
                                      "VEXAL_CODE_UNKNOWN_COMPRESSION_CODE",
                                      "VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG",
                                      "VEXAL_CODE_ZLIB_FAILED",
                                      "VEXAL_CODE_MESSAGE_TOO_LONG",
                                      "VEXAL_CODE_PAYLOAD_TOO_LONG",
                                      "VEXAL_CODE_OUT_OF_MEMORY",
                                      "VEXAL_CODE_COMPRESSED_PART"};
static_assert(std::size(code_names) == VEXAL_CODE_COMPRESSED_PART + 1);

// The name at `index` of `names`, or `unknown` outside it.
template <size_t count>
const char* name_of(const char* const (&names)[count], int64_t index,
                    const char* unknown) {
  return index >= 0 && static_cast<size_t>(index) < count ? names[index]
                                                          : unknown;
}

}  // namespace

const char* vexal_version_string(void) noexcept { return VEXAL_VERSION_STRING; }

int vexal_version_number(void) noexcept { return VEXAL_VERSION_NUMBER; }

const char* vexal_status_name(vexal_status_t status) noexcept {
  // A C caller may pass any value of the enumeration's integer type; in C++
  // a value outside the enumerators' range may not be read as the enum, so
  // its bytes are read as that integer.
  std::underlying_type_t<vexal_status_t> raw;
  std::memcpy(&raw, &status, sizeof raw);
  return name_of(status_names, raw, "VEXAL_STATUS_UNKNOWN");
}

const char* vexal_code_name(int code) noexcept {
  return name_of(code_names, code, "VEXAL_CODE_UNKNOWN");
}

const char* vexal_code_text(int code) noexcept {
  return detail::failure_words(code);
}
