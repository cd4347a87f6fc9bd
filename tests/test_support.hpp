// SPDX-License-Identifier: MIT
// Helpers shared by the tests: hex literals for wire bytes, a part's state as
// one short text, zlib streams made by zlib itself, sample messages of every
// storage kind, and an exact check of a thrown error's message.
#ifndef VEXAL_TESTS_TEST_SUPPORT_HPP
#define VEXAL_TESTS_TEST_SUPPORT_HPP

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "vexal/vexal.hpp"

namespace vexal_test {

using bytes = std::vector<uint8_t>;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

// "01 03 00 ff" -> {0x01, 0x03, 0x00, 0xff}; blanks are ignored.
inline bytes hex(const std::string& text) {
  bytes out;
  for (size_t i = 0; i + 1 < text.size(); i += text[i] == ' ' ? 1 : 2) {
    if (text[i] != ' ') {
      out.push_back(std::stoi(text.substr(i, 2), nullptr, 16));
    }
  }
  return out;
}

inline std::string to_hex(const bytes& data) {
  std::string out;
  for (uint8_t b : data) {
    out += "0123456789abcdef"[b >> 4];
    out += "0123456789abcdef"[b & 15];
  }
  return out;
}

// "<format> <compression> <payload in hex>", e.g. "2 0 616263".
inline std::string state(const kelvo::vexal_part_ctx& part) {
  return std::to_string(int(part.get_format())) + " " +
         std::to_string(int(part.get_compression())) + " " +
         to_hex(part.get_payload());
}

// What `object.parse(data, offset, limits...)` returns, or the message it
// throws.
template <typename Parser, typename... Limits>
std::string parse_result(Parser& object, const bytes& data, size_t offset,
                         const Limits&... limits) {
  try {
    return std::to_string(object.parse(data, offset, limits...));
  } catch (const std::runtime_error& error) {
    return error.what();
  }
}

// Deterministic bytes that compress poorly.
inline bytes noise(size_t size) {
  bytes out(size);
  uint32_t seed = 1;
  for (auto& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return out;
}

// One zlib stream of `input`, made by zlib.
inline bytes deflated(const bytes& input, int level) {
  uLongf size = compressBound(input.size());
  bytes out(size);
  compress2(out.data(), &size, input.data(), input.size(), level);
  out.resize(size);
  return out;
}

// `a` followed by `b`.
inline bytes cat(bytes a, const bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One part on the wire: header codes, then the stored bytes.
inline bytes wire_part(int type, int fmt, int comp, const bytes& stored) {
  bytes out = {uint8_t(type), uint8_t(fmt), uint8_t(comp), 0};
  for (int shift : {24, 16, 8, 0}) {
    out.push_back(static_cast<uint8_t>(stored.size() >> shift));
  }
  out.insert(out.end(), stored.begin(), stored.end());
  return out;
}

// A message whose parts carry the given payloads and storage; the format
// goes to the second part.
inline kelvo::vexal make_message(const bytes& first, compression first_comp,
                                 const bytes& second, compression second_comp,
                                 format second_format) {
  return kelvo::vexal(
      kelvo::vexal_first_part(first, first_comp),
      kelvo::vexal_second_part(second, second_format, second_comp));
}

// Messages of every storage kind, with empty, short and multi-pass (over
// 32768 bytes once inflated) payloads. Compressed parts use `zlib_default`,
// the value a parse gives back, so each parses back equal to itself.
inline std::vector<kelvo::vexal> sample_messages() {
  return {
      make_message({}, compression::none, {}, compression::none, format::bytes),
      make_message({0xAA, 0xBB}, compression::none, {}, compression::none,
                   format::bytes),
      make_message(hex("616263"), compression::none, bytes(33000, 'z'),
                   compression::zlib_default, format::application_1),
      make_message(noise(300), compression::zlib_default, hex("7061796c6f6164"),
                   compression::none, format::application_2),
      make_message({}, compression::zlib_default, noise(50), compression::none,
                   format::bytes),
  };
}

// One message of tests/data/messages.txt, whose header says what each
// field is; `status` and `code` keep the file's names.
struct message_row {
  std::string line;
  bytes data;
  size_t offset;
  kelvo::vexal_limits limits;
  std::string status;
  kelvo::vexal_errc code;
  uint64_t at;
  size_t end;
  std::string text;
};

// The code named `name` in the file (NONE is value 0).
inline kelvo::vexal_errc code_named(const std::string& name) {
  static const char* const names[] = {"NONE",
                                      "INPUT_TOO_SHORT",
                                      "POSITION_OUT_OF_RANGE",
                                      "UNKNOWN_TYPE",
                                      "UNKNOWN_FORMAT",
                                      "UNKNOWN_COMPRESSION",
                                      "UNKNOWN_TYPE_CODE",
                                      "UNKNOWN_FORMAT_CODE",
                                      "UNKNOWN_COMPRESSION_CODE",
                                      "PARTS_PAYLOAD_TOO_LONG",
                                      "ZLIB_FAILED",
                                      "MESSAGE_TOO_LONG",
                                      "PAYLOAD_TOO_LONG",
                                      "OUT_OF_MEMORY",
                                      "COMPRESSED_PART"};
  for (int i = 0; i < int(std::size(names)); ++i) {
    if (name == names[i]) return kelvo::vexal_errc(i);
  }
  throw std::invalid_argument("no vexal code " + name);
}

// Every row of the file at VEXAL_TEST_MESSAGES, the path the build defines.
inline std::vector<message_row> message_rows() {
  std::ifstream file(VEXAL_TEST_MESSAGES);
  if (!file) throw std::runtime_error("cannot read " VEXAL_TEST_MESSAGES);
  std::vector<message_row> rows;
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> field;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '|');) field.push_back(f);
    if (field.size() != 9) throw std::runtime_error("not a row: " + line);
    const auto word = [&field](size_t i) {
      std::istringstream in(field[i]);
      std::string w;
      in >> w;
      return w;
    };
    const auto limit = [&word](size_t i) {
      return word(i) == "-" ? SIZE_MAX : size_t(std::stoull(word(i)));
    };
    const size_t open = field[8].find('"'), close = field[8].rfind('"');
    rows.push_back({line, hex(field[0]), size_t(std::stoull(word(1))),
                    kelvo::vexal_limits{limit(2), limit(3)}, word(4),
                    code_named(word(5)), std::stoull(word(6)),
                    size_t(std::stoull(word(7))),
                    field[8].substr(open + 1, close - open - 1)});
  }
  return rows;
}

}  // namespace vexal_test

// Expects `expression` to throw std::runtime_error whose what() is
// `message`. Its result, if it had one, is discarded on purpose.
#define EXPECT_THROW_MSG(expression, message)                     \
  do {                                                            \
    try {                                                         \
      static_cast<void>(expression);                              \
      ADD_FAILURE() << "no exception from: " #expression;         \
    } catch (const std::runtime_error& error) {                   \
      EXPECT_EQ(std::string(error.what()), std::string(message)); \
    }                                                             \
  } while (false)

#endif  // VEXAL_TESTS_TEST_SUPPORT_HPP
