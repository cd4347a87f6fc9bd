// SPDX-License-Identifier: MIT
// The two refusals of a bounded parse, each built in one place: a message
// whose headers announce more bytes than allowed, and a part whose payload,
// stored or inflated, grows past its bound.
#ifndef VEXAL_SRC_PART_LIMIT_ERRORS_HPP
#define VEXAL_SRC_PART_LIMIT_ERRORS_HPP

#include <stdexcept>

namespace kelvo::detail {

[[noreturn]] inline void throw_message_too_long() {
  throw std::runtime_error("vexal message too long");
}

[[noreturn]] inline void throw_payload_too_long() {
  throw std::runtime_error("vexal payload too long");
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_LIMIT_ERRORS_HPP
