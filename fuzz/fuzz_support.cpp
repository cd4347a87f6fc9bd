// SPDX-License-Identifier: MIT
// Oracles shared by the fuzz targets.
#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace vexal_fuzz {

namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

constexpr size_t header_size = 8;

bool valid_type(uint8_t code) { return code == 1 || code == 2; }
bool valid_format(uint8_t code) { return code >= 1 && code <= 3; }

// Format codes count down: 3 is format 0, 2 format 1, 1 format 2.
format format_of(uint8_t code) { return static_cast<format>(3 - code); }

}  // namespace

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
  const auto first = data.begin() + static_cast<std::ptrdiff_t>(pos);
  return {data[pos], data[pos + 1], data[pos + 2],
          bytes(first + header_size,
                first + header_size + stored_length(data, pos))};
}

kelvo::vexal_part_type type_of(uint8_t type_code) {
  return static_cast<kelvo::vexal_part_type>(2 - type_code);
}

bool is_parse_failure(const std::string& what) {
  for (const char* fixed :
       {"Unknown vexal type (raw)", "Unknown vexal format (raw)",
        "Unknown vexal compression (raw)"}) {
    if (what == fixed) return true;
  }
  // zlib's return code in signed decimal without leading zeros, then zlib's
  // text, if any.
  static const std::regex zlib_failure(
      R"(Failed zlib::inflate(Init)? \[(0|-?[1-9][0-9]*)\]: .*)");
  return std::regex_match(what, zlib_failure);
}

void check_parsed(const vexal_part_ctx& part, const wire_part& wire) {
  require(valid_type(wire.type_code) && valid_format(wire.format_code) &&
              wire.compression_code <= 1,
          "only valid codes parse");
  require(part.get_format() == format_of(wire.format_code),
          "the format is the one the wire names");
  require(part.get_compression() == (wire.compression_code == 0
                                         ? compression::none
                                         : compression::zlib_default),
          "code 0 parses as none, code 1 as zlib_default");
  require(wire.compression_code == 1 || part.get_payload() == wire.stored,
          "a part stored as is parses to its stored bytes");
}

void check_failed(const vexal_part_ctx& part, const vexal_part_ctx& before,
                  const wire_part& wire, const std::string& what) {
  require(is_parse_failure(what), "a parse throws only the library's messages");
  vexal_part_ctx expected = before;
  if (what == "Unknown vexal type (raw)") {
    require(!valid_type(wire.type_code), "type refused only when invalid");
  } else if (what == "Unknown vexal format (raw)") {
    require(valid_type(wire.type_code) && !valid_format(wire.format_code),
            "format refused only when invalid and after a valid type");
  } else {
    require(valid_type(wire.type_code) && valid_format(wire.format_code),
            "compression and zlib fail only after valid type and format");
    expected.set_format(format_of(wire.format_code));
    if (what == "Unknown vexal compression (raw)") {
      require(wire.compression_code > 1,
              "compression refused only when invalid");
    } else {
      require(wire.compression_code == 1, "only code 1 reaches zlib");
      expected.set_compression(compression::zlib_default);
      expected.set_payload(wire.stored);
    }
  }
  require(part == expected, "a failed parse leaves the fields as documented");
}

}  // namespace vexal_fuzz
