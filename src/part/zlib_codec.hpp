// SPDX-License-Identifier: MIT
// Whole-buffer zlib compression and decompression for part payloads.
//
// The compressed form is the zlib format (RFC 1950) with zlib's default
// window, memory level and strategy. Each call owns all of its state, so
// calls may run on any number of threads at once.
#ifndef VEXAL_SRC_PART_ZLIB_CODEC_HPP
#define VEXAL_SRC_PART_ZLIB_CODEC_HPP

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace kelvo::detail {

// Compresses `input` at zlib `level` (when `compress`) or decompresses one
// zlib stream from it (bytes after the stream's end are ignored). Throws
// std::runtime_error "zlib input is too long" for inputs over 2^32 - 1 bytes,
// and "Failed zlib::<op>[Init] [<code>]: <zlib message>" when zlib fails.
// With `max_output`, a pass that would take the output past that many bytes
// ends the call with "vexal payload too long", so the output never holds more
// than the bound however far the stream would expand.
std::vector<uint8_t> zlib_transform(
    const std::vector<uint8_t>& input, bool compress, int32_t level,
    size_t max_output = std::numeric_limits<size_t>::max());

// Decompresses one zlib stream from the `size` bytes at `input` into `out`,
// replacing its contents: the output is written straight into `out`'s
// storage, over its current elements first, so a vector reused for payloads
// of similar size is neither grown nor zero-filled again. The same failures,
// in the same cases, as `zlib_transform` decompressing; after a failure `out`
// is empty (after std::bad_alloc, its contents are unspecified).
void zlib_inflate_into(const uint8_t* input, size_t size,
                       std::vector<uint8_t>& out, size_t max_output);

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_ZLIB_CODEC_HPP
