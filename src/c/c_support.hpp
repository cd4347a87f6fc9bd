// SPDX-License-Identifier: MIT
// What the C interface's functions share: turning the library's failures
// into a status and a filled `vexal_error_t`, its views into the C structs,
// the C limits into `vexal_limits`, and the one allocator behind
// `vexal_free`. Everything here is noexcept: nothing may cross into C.
#ifndef VEXAL_SRC_C_C_SUPPORT_HPP
#define VEXAL_SRC_C_C_SUPPORT_HPP

#include <cstddef>
#include <cstdint>

#include "error/failure.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.h"
#include "vexal/view.hpp"

namespace kelvo::detail {

// The C limits; NULL stands for none.
inline vexal_limits c_limits(const vexal_limits_t* limits) noexcept {
  return limits != nullptr ? vexal_limits{limits->max_message_size,
                                          limits->max_payload_size}
                           : vexal_limits::unlimited();
}

// The status of a refusal met while reading: the limits' own statuses,
// VEXAL_OUT_OF_MEMORY, and VEXAL_MALFORMED for anything else.
vexal_status_t read_status(vexal_errc code) noexcept;

// Returns `status` (VEXAL_OK or VEXAL_NEED_MORE), with `error`, when there
// is one, cleared.
vexal_status_t report(vexal_error_t* error, vexal_status_t status) noexcept;

// Returns `status` with `f` described in `error`, when there is one.
vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const failure& f) noexcept;

// VEXAL_INVALID_ARGUMENT for a NULL pointer where one is needed; the text
// names the argument.
vexal_status_t null_argument(vexal_error_t* error, const char* name) noexcept;

// The message that `view` shows, as a C struct.
void to_c(const vexal_view& view, vexal_message_t& message) noexcept;

// A buffer of `size` bytes (at least one byte's block) for the caller,
// released by `vexal_free`; nullptr when memory is short.
uint8_t* allocate_for_caller(size_t size) noexcept;

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_C_C_SUPPORT_HPP
