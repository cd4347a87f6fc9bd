// SPDX-License-Identifier: MIT
// Harness and oracles shared by the fuzz targets.
#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

namespace vexal_fuzz {

using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

uint32_t stored_length(const bytes& data, size_t pos) {
  return (uint32_t{data[pos + 4]} << 24) | (uint32_t{data[pos + 5]} << 16) |
         (uint32_t{data[pos + 6]} << 8) | uint32_t{data[pos + 7]};
}

wire_part read_part(const bytes& data, size_t pos) {
  const auto stored = data.begin() + static_cast<std::ptrdiff_t>(pos + 8);
  return {data[pos], data[pos + 1], data[pos + 2],
          bytes(stored, stored + stored_length(data, pos))};
}

bool is_parse_failure(const std::string& what) {
  // zlib's return code in signed decimal without leading zeros, then zlib's
  // text, if any.
  static const std::regex failure(
      R"(Unknown vexal (type|format|compression) \(raw\)|)"
      R"(Failed zlib::inflate(Init)? \[(0|-?[1-9][0-9]*)\]: .*)");
  return std::regex_match(what, failure);
}

void check_part(const kelvo::vexal_part_ctx& part,
                const kelvo::vexal_part_ctx& before, const wire_part& wire,
                const std::string& error) {
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

std::optional<size_t> parse_and_check(const bytes& data,
                                      kelvo::vexal_any_part& part) {
  part.set_type(kelvo::vexal_part_type::first);
  part.set_format(format::application_2);
  part.set_payload(bytes{'o', 'l', 'd'});
  const kelvo::vexal_any_part before = part;
  size_t end = 0;
  std::string error;
  try {
    end = part.parse(data, 0);
    if (end == 0) {
      require(part == before, "a parse that consumes nothing changes nothing");
      return end;
    }
  } catch (const std::runtime_error& thrown) {
    error = thrown.what();
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
