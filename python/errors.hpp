// SPDX-License-Identifier: MIT
// The library's error codes as the extension raises them (error.cpp): a
// vexal.Error, or LimitError for an exceeded limit, with `.code` and
// `.offset`.
#ifndef VEXAL_PYTHON_ERRORS_HPP
#define VEXAL_PYTHON_ERRORS_HPP

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "bindings.hpp"
#include "vexal/error.hpp"

namespace vexal_python {

/// Why the library refused: vexal.ErrorCode holds the same values.
using error_code = kelvo::vexal_errc;

/// A new vexal.Error (LimitError for the two limit codes) with `text`, its
/// code and `offset` (None when absent).
PyObject* make_error(error_code code, const char* text,
                     std::optional<uint64_t> offset);
/// Sets that error and throws python_error.
[[noreturn]] void raise_error(error_code code, const char* text,
                              std::optional<uint64_t> offset);

/// Raises the refusal `ec` that an error-code form of the library
/// reported, with the exact text that its throwing twin, run again by
/// `throwing`, throws (numbers and zlib's words included): only refusals
/// pay for the second run. MemoryError for out_of_memory.
template <typename Throwing>
[[noreturn]] void raise_refusal(std::error_code ec,
                                std::optional<uint64_t> offset,
                                Throwing&& throwing) {
  const auto code = static_cast<error_code>(ec.value());
  if (code == error_code::out_of_memory) throw std::bad_alloc();
  std::string text = ec.message();
  try {
    std::forward<Throwing>(throwing)();
  } catch (const std::runtime_error& error) {
    text = error.what();
  }
  raise_error(code, text.c_str(), offset);
}

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_ERRORS_HPP
