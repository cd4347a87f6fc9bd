// SPDX-License-Identifier: MIT
// Reads messages in place with message views: composes three messages (a
// short raw head, a compressed body) into one buffer, then walks it with
// views, taking each head where it lies and inflating each body into one
// reused vector; a damaged body is refused only when it is inflated.
// Prints what it read; exits non-zero if anything is not as composed.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>
#include <vexal/view.hpp>

namespace {

// The loop shown in the README: returns the bytes read, and the heads and
// body sizes it saw in `seen`.
size_t read_all(const uint8_t* data, size_t size, std::string& seen) {
  kelvo::vexal_view view;
  std::vector<uint8_t> body;  // reused: inflating allocates only to grow it
  size_t offset = 0;
  while (offset < size) {
    const size_t next = view.parse(data, size, offset);  // copies nothing
    if (next == offset) break;        // too few bytes: wait for more input
    const auto& head = view.first();  // stored as is: read in place
    seen.append(reinterpret_cast<const char*>(head.payload_data()),
                head.payload_size());
    view.second().payload_into(body);  // inflated on demand
    seen += " " + std::to_string(body.size()) + "\n";
    offset = next;
  }
  return offset;
}

}  // namespace

int main() {
  using kelvo::vexal_part_payload::compression;
  std::vector<uint8_t> buffer;
  for (const char* head : {"alpha", "beta", "gamma"}) {
    const std::string text = head;
    kelvo::vexal_first_part first(
        std::vector<uint8_t>(text.begin(), text.end()));
    kelvo::vexal_second_part second(std::vector<uint8_t>(4000, 'x'),
                                    compression::zlib_best_compression);
    kelvo::vexal(first, second).compose(buffer);
  }

  std::string seen;
  const size_t read = read_all(buffer.data(), buffer.size() - 1, seen);
  std::printf("%s%zu of %zu bytes read\n", seen.c_str(), read, buffer.size());
  bool ok = seen == "alpha 4000\nbeta 4000\n" && read < buffer.size();

  // The last body's zlib stream, damaged: its message still parses as a
  // view, and the damage is reported when the body is inflated.
  buffer.back() ^= 0xff;  // in the stream's checksum
  kelvo::vexal_view view;
  ok = ok && view.parse(buffer.data(), buffer.size(), read) == buffer.size();
  try {
    view.second().payload();
    ok = false;
  } catch (const std::runtime_error& error) {
    std::printf("damaged body: %s\n", error.what());
  }
  return ok ? 0 : 1;
}
