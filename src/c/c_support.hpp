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
#include "frame/message_frame.hpp"
#include "vexal/limits.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.h"
#include "vexal/view.hpp"

namespace kelvo::detail {

// The C limits; NULL stands for none.
inline vexal_limits c_limits(const vexal_limits_t* limits) noexcept {
  return limits != nullptr
             ? vexal_limits{limits->max_message_size, limits->max_payload_size}
             : vexal_limits::unlimited();
}

// The C status of a reader's outcome.
vexal_status_t c_status(vexal_reader::status status) noexcept;

// The status of a refusal met while reading: the coarse outcome of its code.
vexal_status_t read_status(vexal_errc code) noexcept;

// Returns `status` (one that carries no failure), with `error`, when there
// is one, cleared. Inline, as `to_c` is: they are most of what a C call adds
// to a small message's parse.
inline vexal_status_t report(vexal_error_t* error,
                             vexal_status_t status) noexcept {
  if (error != nullptr) {
    error->status = status;
    error->code = VEXAL_CODE_NONE;
    error->offset = 0;
    error->text[0] = '\0';
  }
  return status;
}

// Returns `status` with `f` described in `error`, when there is one.
vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const failure& f) noexcept;

// Returns `status` with the public failure `f` described in `error`.
vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const vexal_failure& f) noexcept;

// VEXAL_INVALID_ARGUMENT for a NULL pointer where one is needed; the text
// names the argument.
vexal_status_t null_argument(vexal_error_t* error, const char* name) noexcept;

// The part that `view` shows, as a C struct; its stored offset counts from
// `base`, the start of the buffer the view points into.
inline void to_c(const vexal_part_view& view, const uint8_t* base,
                 vexal_part_t& part) noexcept {
  part.type = static_cast<int>(view.type());
  part.format = static_cast<int>(view.get_format());
  part.compressed = view.compressed() ? 1 : 0;
  part.stored = view.stored_data();
  part.stored_size = view.stored_size();
  part.stored_offset = static_cast<size_t>(view.stored_data() - base);
}

// The whole message at `data + offset` that `checked` found valid, as a C
// struct: what `view_core::fill` makes of it, without a view in between.
inline void to_c(const uint8_t* data, size_t offset,
                 const checked_message& checked,
                 vexal_message_t& message) noexcept {
  const message_frame& frame = checked.frame;
  const part_fields* fields = checked.parts;
  const size_t stored_at[] = {
      offset + vexal_part_header_size,
      offset + static_cast<size_t>(frame.second_at()) + vexal_part_header_size};
  const uint32_t stored_size[] = {frame.first_stored, frame.second_stored};
  vexal_part_t* parts[] = {&message.first, &message.second};
  for (int i = 0; i < 2; ++i) {
    parts[i]->type = i == 0 ? VEXAL_PART_FIRST : VEXAL_PART_SECOND;
    parts[i]->format = static_cast<int>(fields[i].format);
    parts[i]->compressed =
        fields[i].compression != vexal_part_payload::compression::none ? 1 : 0;
    parts[i]->stored = data + stored_at[i];
    parts[i]->stored_size = stored_size[i];
    parts[i]->stored_offset = stored_at[i];
  }
  message.size = static_cast<size_t>(frame.size);
  message.in_data = 1;
}

// The message that `view` shows, as a C struct, with stored offsets from
// `base`; `in_data` says whether it lies in the caller's data.
inline void to_c(const vexal_view& view, const uint8_t* base, int in_data,
                 vexal_message_t& message) noexcept {
  to_c(view.first(), base, message.first);
  to_c(view.second(), base, message.second);
  message.size = view.size();
  message.in_data = in_data;
}

// A buffer of `size` bytes (at least one byte's block) for the caller,
// released by `vexal_free`; nullptr when memory is short.
uint8_t* allocate_for_caller(size_t size) noexcept;

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_C_C_SUPPORT_HPP
