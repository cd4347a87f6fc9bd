// SPDX-License-Identifier: MIT
// A small program built outside the libvexal tree against the installed
// headers and library. It exercises what crosses the shared-library boundary:
// exported classes used through their base, a stream of several messages,
// exceptions thrown inside the library and caught here, payloads handed in
// and taken out without copies, and the version macros of the headers it was
// compiled with against the library it runs with. It prints the library
// version and exits non-zero on any mismatch.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>
#include <vexal/version.hpp>
#include <vexal/vexal.hpp>

namespace {

using kelvo::vexal_part_payload::compression;

int failures = 0;

void expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

kelvo::vexal make_message(const std::string& head, size_t body_size,
                          compression body_compression) {
  return kelvo::vexal(
      kelvo::vexal_first_part(std::vector<uint8_t>(head.begin(), head.end())),
      kelvo::vexal_second_part(std::vector<uint8_t>(body_size, 'z'),
                               body_compression));
}

}  // namespace

int main() {
  const std::vector<kelvo::vexal> sent = {
      make_message("plain", 10, compression::none),
      make_message("packed", 100000, compression::zlib_default),
      make_message("", 0, compression::zlib_best_speed),
  };

  // Compose through the base class, as generic code would.
  std::vector<uint8_t> stream;
  for (const kelvo::vexal& message : sent) {
    const kelvo::vexal_serializer& serializer = message;
    serializer.compose(stream);
  }

  kelvo::vexal received;
  size_t offset = 0;
  for (const kelvo::vexal& message : sent) {
    const size_t next = received.parse(stream, offset);
    expect(next > offset, "each message parses");
    expect(received.first() == message.first(), "first part round trip");
    expect(received.second().take_payload() == message.second().get_payload(),
           "second payload round trip");
    offset = next;
  }
  expect(offset == stream.size(), "the stream is consumed exactly");

  // An unknown type code on the wire: the library's exception reaches us.
  std::vector<uint8_t> damaged = stream;
  damaged[0] = 7;
  try {
    static_cast<void>(received.parse(damaged, 0));
    expect(false, "a bad type code throws");
  } catch (const std::runtime_error& error) {
    expect(std::string(error.what()) == "Unknown vexal type (raw)",
           "the exception carries the library's message");
  }

  expect(kelvo::vexal_version::get_string() == VEXAL_VERSION_STRING,
         "the headers and the library have the same version");

  std::printf("vexal %s: %zu messages, %zu bytes round trip\n",
              kelvo::vexal_version::get_string().c_str(), sent.size(),
              stream.size());
  return failures == 0 ? 0 : 1;
}
