// SPDX-License-Identifier: MIT
// The parse of a message's two parts, shared by the unlimited parse and the
// parse within limits.
#ifndef VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP
#define VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP

#include <cstddef>
#include <cstdint>

#include "part/impl.hpp"

namespace kelvo::detail {

// Reads the message at `offset` of the `size` bytes at `data` into the records
// of its type-1 part (`first`) and its type-0 part (`second`), each payload
// bounded by `max_payload`, and returns the offset just past the second part.
// Returns `offset` when the bytes do not hold both parts; the records are then
// unchanged but for the second part's type, which is set as after any
// completed part parse. The first part is taken over only once the second
// has been read, and taking it over cannot fail, so a failure leaves `first`
// unchanged (`second` as its own parse leaves it). Every part comes out with
// the type of its place.
size_t parse_parts(vexal_part_ctx::impl& first, vexal_part_ctx::impl& second,
                   const uint8_t* data, size_t size, size_t offset,
                   size_t max_payload);

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_MESSAGE_MESSAGE_PARSE_HPP
