// SPDX-License-Identifier: MIT
// The library's error codes as the extension raises them (error.cpp): a
// vexal.Error, or LimitError for an exceeded limit, with `.code` and
// `.offset`.
#ifndef VEXAL_PYTHON_ERRORS_HPP
#define VEXAL_PYTHON_ERRORS_HPP

#include <cstdint>
#include <optional>

#include "bindings.hpp"

namespace vexal_python {

/// Why the library refused, by the numbers vexal.ErrorCode gives them.
enum class error_code : int {
  input_too_short = 1,
  position_out_of_range,
  unknown_type,
  unknown_format,
  unknown_compression,
  unknown_type_code,
  unknown_format_code,
  unknown_compression_code,
  parts_payload_too_long,
  zlib_failed,
  message_too_long,
  payload_too_long,
  out_of_memory,
};

/// The code of a text that the library's throwing API threw, from its
/// fixed texts (or their fixed beginnings); this table goes once the
/// library reports codes itself.
error_code code_of_text(const char* text);

/// A new vexal.Error (LimitError for the two limit codes) with `text`, its
/// code and `offset` (None when absent).
PyObject* make_error(error_code code, const char* text,
                     std::optional<uint64_t> offset);
/// Sets that error and throws python_error.
[[noreturn]] void raise_error(error_code code, const char* text,
                              std::optional<uint64_t> offset);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_ERRORS_HPP
