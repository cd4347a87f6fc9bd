// SPDX-License-Identifier: MIT
// The two refusals of a bounded parse, each built in one place: a message
// whose headers announce more bytes than allowed, and a part whose payload,
// stored or inflated, grows past its bound. The stream reader tells them
// apart from the parse's other failures by these texts.
#ifndef VEXAL_SRC_PART_LIMIT_ERRORS_HPP
#define VEXAL_SRC_PART_LIMIT_ERRORS_HPP

#include <stdexcept>

namespace kelvo::detail {

constexpr const char* message_too_long_text = "vexal message too long";
constexpr const char* payload_too_long_text = "vexal payload too long";

[[noreturn]] inline void throw_message_too_long() {
  throw std::runtime_error(message_too_long_text);
}

[[noreturn]] inline void throw_payload_too_long() {
  throw std::runtime_error(payload_too_long_text);
}

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_LIMIT_ERRORS_HPP
