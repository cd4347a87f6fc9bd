// SPDX-License-Identifier: MIT
// Composes a sample message with one raw and one compressed part, prints its
// wire bytes in hex, parses it back and prints both parts.
#include <cstdio>
#include <string>
#include <vector>
#include <vexal/vexal.hpp>

namespace {

void print_hex(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::printf("%02x%c", bytes[i], (i + 1) % 16 == 0 ? '\n' : ' ');
  }
  if (bytes.size() % 16 != 0) std::printf("\n");
}

void print_part(const char* name, const kelvo::vexal_part_ctx& part) {
  const auto& payload = part.get_payload();
  std::printf("%s: format %d, compression %d, %zu payload bytes: \"%s\"\n",
              name, static_cast<int>(part.get_format()),
              static_cast<int>(part.get_compression()), payload.size(),
              std::string(payload.begin(), payload.end()).c_str());
}

}  // namespace

int main() {
  using kelvo::vexal_part_payload::compression;
  using kelvo::vexal_part_payload::format;

  const std::string greeting = "hello, vexal";
  const std::string body =
      "a payload that repeats, repeats, repeats and compresses well";

  kelvo::vexal_first_part first;
  first.set_payload(std::vector<uint8_t>(greeting.begin(), greeting.end()));
  kelvo::vexal_second_part second;
  second.set_payload(std::vector<uint8_t>(body.begin(), body.end()));
  second.set_format(format::application_1);
  second.set_compression(compression::zlib_best_compression);

  const kelvo::vexal message(std::move(first), std::move(second));
  const std::vector<uint8_t> wire = message.compose();
  std::printf("composed %zu bytes:\n", wire.size());
  print_hex(wire);

  kelvo::vexal parsed;
  const size_t end = parsed.parse(wire, 0);
  if (end != wire.size()) {
    std::fprintf(stderr, "parse consumed %zu of %zu bytes\n", end, wire.size());
    return 1;
  }
  std::printf("parsed %zu bytes:\n", end);
  print_part("first part ", parsed.first());
  print_part("second part", parsed.second());
  return 0;
}
