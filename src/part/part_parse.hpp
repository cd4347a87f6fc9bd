// SPDX-License-Identifier: MIT
// A part parse in two steps, for a caller that must read a part's header
// before it may take the part's payload: the message reads its first part
// so, and takes that part's payload only once its second part has been read.
// The record's own parse (`impl::parse_bounded`) is the two steps back to
// back.
#ifndef VEXAL_SRC_PART_PART_PARSE_HPP
#define VEXAL_SRC_PART_PART_PARSE_HPP

#include <cstddef>
#include <cstdint>
#include <optional>

#include "part/impl.hpp"

namespace kelvo::detail {

// Where a part's stored bytes lie in its input.
struct stored_bytes {
  size_t at;    // offset of the first stored byte, just past the header
  size_t size;  // the stored length L that the header announces

  size_t end() const { return at + size; }
};

// Step one: reads the header of the part at `offset` of the `size` bytes at
// `data`. Returns nothing, and changes nothing, when they do not hold the
// whole part.
// Otherwise converts the three codes into `record`'s type, format and
// compression, each as soon as its own code has converted, and refuses a
// payload stored as is that is longer than `max_payload` ("vexal payload too
// long") before anything is copied.
std::optional<stored_bytes> read_part_header(vexal_part_ctx::impl& record,
                                             const uint8_t* data, size_t size,
                                             size_t offset, size_t max_payload);

// Step two: replaces `record`'s payload with the stored bytes (`stored` of
// `data`, as step one found them), inflated when
// `record`'s compression is not `none` (up to `max_payload` bytes). Copying
// allocates nothing when the payload's buffer already holds `stored.size`
// bytes. After a codec failure the payload holds the stored bytes.
void take_payload(vexal_part_ctx::impl& record, const uint8_t* data,
                  stored_bytes stored, size_t max_payload);

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_PART_PARSE_HPP
