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
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "vexal/vexal.hpp"

namespace vexal_fuzz {

using bytes = std::vector<uint8_t>;

using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

// One part as the wire holds it: the header's codes and the stored bytes.
struct wire_part {
  uint8_t type_code;
  uint8_t format_code;
  uint8_t compression_code;
  bytes stored;
};

// Aborts with `property` in the report unless `holds`.
inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

// The stored length L of the header at `pos` (bytes pos + 4 .. pos + 7).
inline uint32_t stored_length(const bytes& data, size_t pos) {
  return (uint32_t{data[pos + 4]} << 24) | (uint32_t{data[pos + 5]} << 16) |
         (uint32_t{data[pos + 6]} << 8) | uint32_t{data[pos + 7]};
}

// Reads the part at `pos`; the caller knows that the whole part is there.
inline wire_part read_part(const bytes& data, size_t pos) {
  const auto stored = data.begin() + static_cast<std::ptrdiff_t>(pos + 8);
  return {data[pos], data[pos + 1], data[pos + 2],
          bytes(stored, stored + stored_length(data, pos))};
}

// The message that `operation` throws, or "" when it returns.
template <typename Operation>
std::string error_of(Operation operation) {
  try {
    operation();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

// True when `what` is a message that a parse may throw: the three "(raw)"
// refusals and zlib's inflate failures.
inline bool is_parse_failure(const std::string& what) {
  // zlib's return code in signed decimal without leading zeros, then zlib's
  // text, if any.
  static const std::regex failure(
      R"(Unknown vexal (type|format|compression) \(raw\)|)"
      R"(Failed zlib::inflate(Init)? \[(0|-?[1-9][0-9]*)\]: .*)");
  return std::regex_match(what, failure);
}

// Checks a part after its parse of `wire` succeeded (`error` empty) or threw
// `error`: it fails exactly when a code is invalid or inflating fails, and
// the fields up to the failing one are the wire's, the others `before`'s.
inline void check_part(const kelvo::vexal_part_ctx& part,
                       const kelvo::vexal_part_ctx& before,
                       const wire_part& wire, const std::string& error) {
  const bool type_ok = wire.type_code == 1 || wire.type_code == 2;
  const bool format_ok =
      type_ok && wire.format_code >= 1 && wire.format_code <= 3;
  const bool codes_ok = format_ok && wire.compression_code <= 1;
  const std::string refusal = std::string("Unknown vexal ") +
                              (!type_ok     ? "type"
                               : !format_ok ? "format"
                                            : "compression") +
                              " (raw)";
  require(codes_ok ? error.empty() || (wire.compression_code == 1 &&
                                       is_parse_failure(error) &&
                                       error.rfind("Failed zlib::", 0) == 0)
                   : error == refusal,
          "a parse fails exactly on a bad code or bad zlib data, with the "
          "library's message");
  kelvo::vexal_part_ctx expected = before;
  if (format_ok) {
    // Format codes count down: 3 is format 0, 2 format 1, 1 format 2.
    expected.set_format(static_cast<format>(3 - wire.format_code));
  }
  if (codes_ok) {
    expected.set_compression(wire.compression_code == 0
                                 ? compression::none
                                 : compression::zlib_default);
    // A compressed part that failed to inflate keeps its stored bytes.
    const bool inflated = error.empty() && wire.compression_code == 1;
    expected.set_payload(inflated ? part.get_payload() : wire.stored);
  }
  require(part == expected,
          "a parse leaves the fields that the wire names, replaced in wire "
          "order up to the one that failed");
}

// Parses `data` at offset 0 into `part` (first set to other values) and
// checks the result; returns the end offset, or nothing when the parse threw.
inline std::optional<size_t> parse_and_check(const bytes& data,
                                             kelvo::vexal_any_part& part) {
  part.set_type(kelvo::vexal_part_type::first);
  part.set_format(format::application_2);
  part.set_payload(bytes{'o', 'l', 'd'});
  const kelvo::vexal_any_part before = part;
  size_t end = 0;
  const std::string error = error_of([&] { end = part.parse(data, 0); });
  if (error.empty() && end == 0) {
    require(part == before, "a parse that consumes nothing changes nothing");
    return end;
  }
  // Only a whole part reaches the code conversions.
  const wire_part wire = read_part(data, 0);
  require(!error.empty() || end == 8 + wire.stored.size(),
          "a part ends at 8 + L");
  const bool type_ok = wire.type_code == 1 || wire.type_code == 2;
  require(
      part.get_type() == (type_ok ? kelvo::vexal_part_type(2 - wire.type_code)
                                  : before.get_type()),
      "the type is the one the wire names, and replaced first");
  check_part(part, before, wire, error);
  return error.empty() ? std::optional<size_t>(end) : std::nullopt;
}

}  // namespace vexal_fuzz

#endif  // VEXAL_FUZZ_FUZZ_SUPPORT_HPP
