// SPDX-License-Identifier: MIT
// Oracles shared by the fuzz targets: what a part must hold after a parse
// that succeeded or threw, read straight from the wire bytes.
//
// A violated property prints what broke and aborts, so libFuzzer (or the
// replay main) stops and keeps the input. The wire codes are restated here on
// purpose: the oracles must not trust the library's own tables.
#ifndef VEXAL_FUZZ_FUZZ_SUPPORT_HPP
#define VEXAL_FUZZ_FUZZ_SUPPORT_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vexal/vexal.hpp"

namespace vexal_fuzz {

using bytes = std::vector<uint8_t>;

// Aborts with `property` in the report unless `holds`.
void require(bool holds, const char* property);

// One part as the wire holds it at some position: the header's codes and
// the stored bytes that follow the header.
struct wire_part {
  uint8_t type_code;
  uint8_t format_code;
  uint8_t compression_code;
  bytes stored;
};

// Reads the part at `pos`; the caller knows that the whole part is there.
wire_part read_part(const bytes& data, size_t pos);

// The stored length L of the header at `pos` (bytes pos + 4 .. pos + 7).
uint32_t stored_length(const bytes& data, size_t pos);

// The part type that a valid type code names.
kelvo::vexal_part_type type_of(uint8_t type_code);

// True when `what` is a message that a parse may throw: the three "(raw)"
// refusals and zlib's inflate failures.
bool is_parse_failure(const std::string& what);

// Checks the format, compression and payload of a part that a parse read
// from `wire` (the payload only when it was stored as is).
void check_parsed(const kelvo::vexal_part_ctx& part, const wire_part& wire);

// Checks a part whose parse of `wire` threw `what`: the fields before the
// one that failed are replaced in wire order, the others are as `before`.
void check_failed(const kelvo::vexal_part_ctx& part,
                  const kelvo::vexal_part_ctx& before, const wire_part& wire,
                  const std::string& what);

}  // namespace vexal_fuzz

#endif  // VEXAL_FUZZ_FUZZ_SUPPORT_HPP
