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
#include "vexal/reader.hpp"

namespace vexal_python {

/// Why the library refused: vexal.ErrorCode holds the same values.
using error_code = kelvo::vexal_errc;

/// A new vexal.Error (LimitError for the two limit codes) with the
/// failure's text and code, `offset` (where the refused message starts;
/// None when absent) and `field_offset`, the offset of the field at fault
/// counted from the same origin: `field_base` plus the failure's own offset
/// (None when `offset` is).
PyObject* make_error(const kelvo::vexal_failure& failure,
                     std::optional<uint64_t> offset, uint64_t field_base = 0);
/// Sets that error and throws python_error; MemoryError for out_of_memory.
[[noreturn]] void raise_failure(const kelvo::vexal_failure& failure,
                                std::optional<uint64_t> offset,
                                uint64_t field_base = 0);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_ERRORS_HPP
