// SPDX-License-Identifier: MIT
// Reads the messages of one input in order through the library's
// vexal_reader, which parses each one exactly once, within limits, and hands
// each to a visitor. The library's refusals, and an input that ends inside a
// message, become the tool's error lines.
#ifndef VEXAL_TOOLS_MESSAGE_STREAM_HPP
#define VEXAL_TOOLS_MESSAGE_STREAM_HPP

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vexal/reader.hpp>
#include <vexal/vexal.hpp>

#include "input_file.hpp"

namespace kelvo::tool {

/// One message of an input, valid during the visitor's call.
struct message_view {
  uint64_t index;                  ///< 0 for the first message of the input.
  const vexal_wire_message& wire;  ///< Where and how it lay on the wire.
  vexal& message;        ///< The message as parsed; the visitor may take it.
  const uint8_t* bytes;  ///< Its `wire.size` bytes, when a refusal visitor
                         ///< was given; else null.
};

/// Called for each message in order; returns false to stop reading.
using message_visitor = std::function<bool(const message_view&)>;

/// Why and where the library refused a message, as its reader reports it.
struct message_refusal {
  const std::string& text;  ///< vexal_reader::error(): the library's message.
  std::error_code code;     ///< vexal_reader::error_code().
  uint64_t field_offset;    ///< vexal_reader::error_offset(): the stream
                            ///< offset of the field at fault.
};

/// Called for a refused message before its line is reported, with the bytes
/// from its first one to the last one read.
using refusal_visitor =
    std::function<void(uint64_t index, uint64_t offset, const uint8_t* bytes,
                       size_t size, const message_refusal& refusal)>;

/// Visits every message of `input` as soon as its last byte has been read.
/// A refused message is "NAME: message I at offset N: <the library's
/// message>"; an input that ends inside a message (a refused one too) is
/// "NAME: incomplete message at offset N (K bytes read, at least M
/// missing)", N where that message starts and M the reader's account of the
/// bytes it lacks. With `keep_going`, such a line goes
/// to standard error and reading goes on after the message; without, it is
/// thrown. Messages before it have been visited either way.
/// When `refused` is given, the bytes of the message being read are kept
/// beside the reader's, for `message_view::bytes` and `refused`.
/// @return the number of messages reported and skipped.
/// @throws tool_error (exit_bad_message) as above; tool_error
///   (exit_bad_usage) when the input cannot be read.
uint64_t read_messages(input_file& input, const vexal_limits& limits,
                       bool keep_going, const message_visitor& visit,
                       const refusal_visitor& refused = nullptr);

/// The same over the bytes that `read` gives, named `name`; an input that
/// ends inside a message is not reported when `incomplete_ok`.
uint64_t read_messages(const std::string& name, const byte_source& read,
                       const vexal_limits& limits, bool keep_going,
                       const message_visitor& visit,
                       const refusal_visitor& refused, bool incomplete_ok);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_MESSAGE_STREAM_HPP
