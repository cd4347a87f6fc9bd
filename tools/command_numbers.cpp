// SPDX-License-Identifier: MIT
// Numbers from the command line, digit by digit with an overflow check,
// since std::stoull takes "-1" and leading blanks.
#include "command_numbers.hpp"

#include <limits>
#include <optional>
#include <utility>

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

// A size in bytes with its suffix's multiplier applied, when it fits size_t.
std::optional<size_t> size(std::string text) {
  constexpr std::pair<char, unsigned> suffixes[] = {
      {'K', 10}, {'M', 20}, {'G', 30}};
  unsigned shift = 0;
  for (const auto& [suffix, bits] : suffixes) {
    if (!text.empty() && text.back() == suffix) {
      text.pop_back();
      shift = bits;
      break;
    }
  }
  const std::optional<uint64_t> value = decimal(text);
  constexpr uint64_t size_max = std::numeric_limits<size_t>::max();
  if (!value || *value > (size_max >> shift)) return {};
  return static_cast<size_t>(*value << shift);
}

// The limit that `text` gives for `option`, or `fallback` for none.
size_t parse_limit(const std::string& text, const char* option,
                   size_t fallback) {
  if (text.empty()) return fallback;
  if (text == "unlimited") return std::numeric_limits<size_t>::max();
  if (const std::optional<size_t> value = size(text)) return *value;
  throw tool_error(exit_bad_usage,
                   std::string(option) + ": \"" + text +
                       "\" is not a size; give bytes, optionally followed by "
                       "K, M or G, or unlimited");
}

}  // namespace

vexal_limits parse_limits(const limit_options& options) {
  const vexal_limits defaults;
  return {parse_limit(options.max_message_size, "--max-message-size",
                      defaults.max_message_size),
          parse_limit(options.max_payload_size, "--max-payload-size",
                      defaults.max_payload_size)};
}

uint64_t parse_index(const std::string& text, const std::string& option) {
  if (const std::optional<uint64_t> value = decimal(text)) return *value;
  throw tool_error(exit_bad_usage,
                   option + ": \"" + text +
                       "\" is not a message index; give a whole number from "
                       "0 to " +
                       std::to_string(largest));
}

}  // namespace kelvo::tool
