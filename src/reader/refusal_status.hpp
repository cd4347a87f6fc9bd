// SPDX-License-Identifier: MIT
// The one mapping from a failure's code to the reader's coarse outcome: the
// two limits have statuses of their own, a lack of memory is not kept, and
// everything else is malformed input. The reader, the C interface and the
// Python package all take their statuses from it.
#ifndef VEXAL_SRC_READER_REFUSAL_STATUS_HPP
#define VEXAL_SRC_READER_REFUSAL_STATUS_HPP

#include "vexal/error.hpp"
#include "vexal/reader.hpp"

namespace kelvo::detail {

constexpr vexal_reader::status refusal_status(vexal_errc code) noexcept {
  if (code == vexal_errc{}) return vexal_reader::status::message;
  switch (code) {
    case vexal_errc::message_too_long:
      return vexal_reader::status::message_too_long;
    case vexal_errc::payload_too_long:
      return vexal_reader::status::payload_too_long;
    case vexal_errc::out_of_memory: return vexal_reader::status::out_of_memory;
    default: return vexal_reader::status::malformed;
  }
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_READER_REFUSAL_STATUS_HPP
