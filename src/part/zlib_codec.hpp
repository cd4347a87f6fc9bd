// SPDX-License-Identifier: MIT
// Whole-buffer zlib compression and decompression for part payloads, with
// failures returned as values.
//
// The compressed form is the zlib format (RFC 1950) with zlib's default
// window, memory level and strategy. Each call owns all of its state, so
// calls may run on any number of threads at once. Only a lack of memory
// throws (std::bad_alloc, as the vectors grow).
#ifndef VEXAL_SRC_PART_ZLIB_CODEC_HPP
#define VEXAL_SRC_PART_ZLIB_CODEC_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "error/failure.hpp"

namespace kelvo::detail {

// Replaces `out` with the zlib stream of the `size` bytes at `input`,
// compressed at zlib `level`. Fails with `zlib_failed` for inputs over
// 2^32 - 1 bytes ("zlib input is too long") and when zlib fails; `out` is
// then empty.
failure zlib_deflate(const uint8_t* input, size_t size, int32_t level,
                     std::vector<uint8_t>& out);

// Replaces `out`'s contents with the one zlib stream that the `size` bytes
// at `input` begin with (bytes after the stream's end are not read),
// writing straight into `out`'s storage, over its current elements first,
// so a vector reused for payloads of similar size is neither grown nor
// zero-filled again. Fails with `zlib_failed` as `zlib_deflate` does, and
// with `payload_too_long` as soon as the output passes `max_output` bytes,
// so it never holds more than the bound however far the stream would
// expand; `out` is then empty (after std::bad_alloc, its contents are
// unspecified). The failure's `at` is 0: the caller knows where the stream
// lies.
failure zlib_inflate_into(const uint8_t* input, size_t size,
                          std::vector<uint8_t>& out, size_t max_output);

// Inflates the one zlib stream that the `size` bytes at `input` begin with
// into the `capacity` bytes at `out` (nullptr when `capacity` is 0). Once
// they are full it goes on only to count, through a scratch buffer, so that
// `produced` is the whole payload's size even when it passes `capacity`.
// Fails as `zlib_inflate_into` does; `produced` is then 0.
failure zlib_inflate_to(const uint8_t* input, size_t size, uint8_t* out,
                        size_t capacity, size_t max_output, size_t& produced);

// The most bytes that `zlib_deflate` can make of `size` bytes, at any level.
size_t zlib_deflate_bound(size_t size) noexcept;

}  // namespace kelvo::detail

#endif  // VEXAL_SRC_PART_ZLIB_CODEC_HPP
