// SPDX-License-Identifier: MIT
// Payload generators. Text-like bytes are words drawn from a fixed vocabulary
// with a skewed choice, separated by spaces and an occasional sentence end,
// which zlib compresses about as much as prose. Random bytes come from a
// seeded 64-bit Mersenne Twister.
#include "payloads.hpp"

#include <array>
#include <cstring>
#include <random>
#include <string_view>

namespace vexal_bench {

namespace {

constexpr std::array<std::string_view, 32> vocabulary = {
    "the",    "a",      "message", "part",  "payload", "of",     "and",
    "to",     "in",     "stored",  "bytes", "header",  "length", "is",
    "with",   "zlib",   "stream",  "first", "second",  "parse",  "compose",
    "vector", "offset", "format",  "type",  "buffer",  "reads",  "writes",
    "every",  "value",  "returns", "throws"};

void fill_text(std::vector<uint8_t>& out, std::mt19937_64& engine) {
  // Squaring a uniform draw favours the first words, as in natural text.
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> sentence(0, 11);
  size_t at = 0;
  while (at < out.size()) {
    const double draw = unit(engine);
    const std::string_view word =
        vocabulary[static_cast<size_t>(draw * draw * vocabulary.size())];
    const std::string_view gap = sentence(engine) == 0 ? ". " : " ";
    for (const std::string_view piece : {word, gap}) {
      const size_t n = std::min(piece.size(), out.size() - at);
      std::memcpy(out.data() + at, piece.data(), n);
      at += n;
    }
  }
}

void fill_random(std::vector<uint8_t>& out, std::mt19937_64& engine) {
  size_t at = 0;
  while (at < out.size()) {
    const uint64_t word = engine();
    const size_t n = std::min(sizeof word, out.size() - at);
    std::memcpy(out.data() + at, &word, n);
    at += n;
  }
}

}  // namespace

const char* payload_kind_name(payload_kind kind) {
  return kind == payload_kind::text ? "text" : "random";
}

std::vector<uint8_t> make_payload(payload_kind kind, size_t size,
                                  uint64_t seed) {
  std::vector<uint8_t> out(size);
  std::mt19937_64 engine(seed);
  if (kind == payload_kind::text) {
    fill_text(out, engine);
  } else {
    fill_random(out, engine);
  }
  return out;
}

}  // namespace vexal_bench
