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
#include "reader/message_frame.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.h"
#include "vexal/view.hpp"

namespace kelvo::detail {

// The C limits; NULL stands for none.
inline vexal_limits c_limits(const vexal_limits_t* limits) noexcept {
  return limits != nullptr
             ? vexal_limits{limits->max_message_size, limits->max_payload_size}
             : vexal_limits::unlimited();
}

// The status of a refusal met while reading: the limits' own statuses,
// VEXAL_OUT_OF_MEMORY, and VEXAL_MALFORMED for anything else.
vexal_status_t read_status(vexal_errc code) noexcept;

// Returns `status` (VEXAL_OK or VEXAL_NEED_MORE), with `error`, when there
// is one, cleared. Inline, as `to_c` is: they are most of what a C call adds
// to a small message's parse.
inline vexal_status_t report(vexal_error_t* error,
                             vexal_status_t status) noexcept {
  if (error != nullptr) {
    error->status = status;
    error->code = 0;
    error->offset = 0;
    error->text[0] = '\0';
  }
  return status;
}

// Returns `status` with `f` described in `error`, when there is one.
vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const failure& f) noexcept;

// VEXAL_INVALID_ARGUMENT for a NULL pointer where one is needed; the text
// names the argument.
vexal_status_t null_argument(vexal_error_t* error, const char* name) noexcept;

// The part that `view` shows, as a C struct.
inline void to_c(const vexal_part_view& view, vexal_part_t& part) noexcept {
  part.type = static_cast<int>(view.type());
  part.format = static_cast<int>(view.get_format());
  part.compressed = view.compressed() ? 1 : 0;
  part.stored = view.stored_data();
  part.stored_size = view.stored_size();
}

// The whole message at `data` that `checked` found valid, as a C struct:
// what `view_core::fill` makes of it, without a view in between.
inline void to_c(const uint8_t* data, const checked_message& checked,
                 vexal_message_t& message) noexcept {
  const message_frame& frame = checked.frame;
  const part_fields* fields = checked.parts;
  const uint8_t* stored[] = {data + vexal_part_header_size,
                             data + frame.second_at() + vexal_part_header_size};
  const uint32_t stored_size[] = {frame.first_stored, frame.second_stored};
  vexal_part_t* parts[] = {&message.first, &message.second};
  for (int i = 0; i < 2; ++i) {
    parts[i]->type = i == 0 ? 1 : 0;
    parts[i]->format = static_cast<int>(fields[i].format);
    parts[i]->compressed =
        fields[i].compression != vexal_part_payload::compression::none ? 1 : 0;
    parts[i]->stored = stored[i];
    parts[i]->stored_size = stored_size[i];
  }
  message.size = static_cast<size_t>(frame.size);
}

// The message that `view` shows, as a C struct.
inline void to_c(const vexal_view& view, vexal_message_t& message) noexcept {
  to_c(view.first(), message.first);
  to_c(view.second(), message.second);
  message.size = view.size();
}

// A buffer of `size` bytes (at least one byte's block) for the caller,
// released by `vexal_free`; nullptr when memory is short.
uint8_t* allocate_for_caller(size_t size) noexcept;

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_C_C_SUPPORT_HPP
