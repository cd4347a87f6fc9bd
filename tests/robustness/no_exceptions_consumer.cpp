// SPDX-License-Identifier: MIT
// A consumer built with -fno-exceptions: it reads damaged and good bytes
// through the forms that report a std::error_code, so no refusal may reach
// it as an exception (one would end the program). Exits 0 when every
// refusal came back as the expected code and every good message parsed.
#include <cstdio>
#include <system_error>
#include <vector>

#include <vexal/reader.hpp>
#include <vexal/view.hpp>

namespace {

using kelvo::vexal_errc;
using bytes = std::vector<uint8_t>;

int failures = 0;

void expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "no_exceptions_consumer: %s\n", what);
    ++failures;
  }
}

}  // namespace

int main() {
  const kelvo::vexal_limits limits;
  // A good message, then one whose second part is a damaged zlib stream,
  // then one whose first header has an unknown type code.
  const bytes good = kelvo::vexal(kelvo::vexal_first_part(bytes{1, 2, 3}),
                                  kelvo::vexal_second_part(bytes(100, 'x')))
                         .compose();
  bytes stream = good;
  const bytes damaged = {1, 3, 0, 0, 0, 0, 0,    0,    2,   3,
                         1, 0, 0, 0, 0, 3, 0x78, 0x9c, 0xff};
  stream.insert(stream.end(), damaged.begin(), damaged.end());
  const size_t garbage_at = stream.size();
  stream.insert(stream.end(), {9, 3, 0, 0, 0, 0, 0, 0});

  std::error_code ec;
  kelvo::vexal message;
  size_t end = message.parse(stream, 0, limits, ec);
  expect(!ec && end == good.size(), "a good message parses");
  end = message.parse(stream, good.size(), limits, ec);
  expect(ec == vexal_errc::zlib_failed && end == good.size(),
         "damaged zlib data is refused by the parse");
  end = message.parse(stream, garbage_at, limits, ec);
  expect(ec == vexal_errc::unknown_type_code && end == garbage_at,
         "an unknown type code is refused from its header");

  kelvo::vexal_view view;
  end = view.parse(stream.data(), stream.size(), good.size(), limits, ec);
  expect(!ec && end == garbage_at, "a view leaves the zlib stream unread");
  bytes payload;
  view.second().payload_into(payload, limits, ec);
  expect(ec == vexal_errc::zlib_failed && payload.empty(),
         "the view's payload refuses damaged zlib data");
  end = view.parse(stream.data(), stream.size(), garbage_at, limits, ec);
  expect(ec == vexal_errc::unknown_type_code && end == garbage_at,
         "a view refuses an unknown type code");
  return failures == 0 ? 0 : 1;
}
