// SPDX-License-Identifier: MIT
// Harness and oracles shared by the fuzz targets: what a part must hold after
// a parse that succeeded or threw, read straight from the wire bytes.
//
// A violated property prints what broke and aborts, so libFuzzer (or the
// replay main) stops and keeps the input. The wire codes are restated here on
// purpose: the oracles must not trust the library's own tables.
#ifndef VEXAL_FUZZ_FUZZ_SUPPORT_HPP
#define VEXAL_FUZZ_FUZZ_SUPPORT_HPP

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vexal/vexal.hpp"

namespace vexal_fuzz {

using bytes = std::vector<uint8_t>;

// Aborts with `property` in the report unless `holds`.
void require(bool holds, const char* property);

// One part as the wire holds it: the header's codes and the stored bytes.
struct wire_part {
  uint8_t type_code;
  uint8_t format_code;
  uint8_t compression_code;
  bytes stored;
};

// The stored length L of the header at `pos` (bytes pos + 4 .. pos + 7).
uint32_t stored_length(const bytes& data, size_t pos);

// Reads the part at `pos`; the caller knows that the whole part is there.
wire_part read_part(const bytes& data, size_t pos);

// True when `what` is a message that a parse may throw: the three "(raw)"
// refusals and zlib's inflate failures.
bool is_parse_failure(const std::string& what);

// Checks a part after its parse of `wire` succeeded (`error` empty) or threw
// `error`: it fails exactly when a code is invalid or inflating fails, and
// the fields up to the failing one are the wire's, the others `before`'s.
void check_part(const kelvo::vexal_part_ctx& part,
                const kelvo::vexal_part_ctx& before, const wire_part& wire,
                const std::string& error);

// Parses `data` at offset 0 into `part` (first set to other values) and
// checks the result; returns the end offset, or nothing when the parse threw.
std::optional<size_t> parse_and_check(const bytes& data,
                                      kelvo::vexal_any_part& part);

}  // namespace vexal_fuzz

#endif  // VEXAL_FUZZ_FUZZ_SUPPORT_HPP
