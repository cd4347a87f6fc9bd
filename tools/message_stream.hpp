// SPDX-License-Identifier: MIT
// Reads the messages of one input in order, has the library parse each one
// exactly once, and hands it to a visitor. The library's failures, and an
// input that ends inside a message, become the tool's error lines.
#ifndef VEXAL_TOOLS_MESSAGE_STREAM_HPP
#define VEXAL_TOOLS_MESSAGE_STREAM_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vexal/vexal.hpp>

#include "input_file.hpp"

namespace kelvo::tool {

/// One message of an input, valid during the visitor's call.
struct message_view {
  size_t index;          ///< 0 for the first message of the input.
  uint64_t offset;       ///< Where the message starts in the input.
  const uint8_t* wire;   ///< The message's bytes as read.
  size_t length;         ///< Its length on the wire, 16 + L1 + L2.
  const vexal& message;  ///< The message as the library parsed it.
};

/// Called for each message in order; returns false to stop reading.
using message_visitor = std::function<bool(const message_view&)>;

/// Visits every message of `input` as soon as its last byte has been read.
/// @throws tool_error (exit_bad_message) with
///   "NAME: message I at offset N: <the library's message>" for a message the
///   library refuses, or "NAME: incomplete message at offset N (K bytes left)"
///   when the input ends inside a message; tool_error (exit_bad_usage) when
///   the input cannot be read. Messages before the failing one are visited.
void read_messages(input_file& input, const message_visitor& visit);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_MESSAGE_STREAM_HPP
