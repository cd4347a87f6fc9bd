// SPDX-License-Identifier: MIT
// Decimal numbers from the command line, digit by digit with an overflow
// check, since std::stoull takes "-1" and leading blanks.
#include "command_numbers.hpp"

#include <limits>
#include <optional>

#include "tool_error.hpp"

namespace kelvo::tool {
namespace {

constexpr uint64_t largest = std::numeric_limits<uint64_t>::max();

// `text` when it is only decimal digits and fits 64 bits.
std::optional<uint64_t> decimal(const std::string& text) {
  if (text.empty()) return {};
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return {};
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (largest - digit) / 10) return {};
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

uint64_t parse_index(const std::string& text, const std::string& option) {
  if (const std::optional<uint64_t> value = decimal(text)) return *value;
  throw tool_error(exit_bad_usage,
                   option + ": \"" + text +
                       "\" is not a message index; give a whole number from "
                       "0 to " +
                       std::to_string(largest));
}

}  // namespace kelvo::tool
