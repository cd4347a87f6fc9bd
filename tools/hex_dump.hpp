// SPDX-License-Identifier: MIT
// `inspect --hex`: an annotated dump of each message's bytes. Every header
// field is named with its raw bytes and what they stand for (as the
// library's decode_part_header reads them), a zlib part's stream header is
// shown with its level hint, and the stored bytes follow in hex and ASCII:
// for a long part the first and last two lines, with the count of the bytes
// between, unless every byte is asked for. A refused message is dumped up to
// and including the field that the reader reports at fault, which is marked.
#ifndef VEXAL_TOOLS_HEX_DUMP_HPP
#define VEXAL_TOOLS_HEX_DUMP_HPP

#include <cstddef>
#include <cstdint>
#include <string>

#include "message_stream.hpp"

namespace kelvo::tool {

/// The dump of a message that parsed; `all`: every stored byte.
std::string hex_message(const message_view& view, bool all);

/// The dump of a refused message at stream `offset`: `size` bytes from
/// `bytes` were read, `refusal` says why and at which field.
std::string hex_refused(uint64_t index, uint64_t offset, const uint8_t* bytes,
                        size_t size, const message_refusal& refusal, bool all);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_HEX_DUMP_HPP
