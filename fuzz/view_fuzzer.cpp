// SPDX-License-Identifier: MIT
// Fuzz target: message views against the owning parse, on arbitrary bytes at
// every offset.
//
// Input: byte 0 sets the limits of a second, bounded comparison
// (max_message_size 16 + 8 * b, max_payload_size 4 * b; 255: none); the rest
// is the data, in a buffer of exactly its size, so that ASan sees any read
// past its end. Checked at every offset: a view's parse followed by
// `to_message` gives the owning parse's offset, message or error text. Only
// where the owning parse fails inflating (zlib, or an inflated payload over
// its limit) may the view fail later: in its parse, on a code or a stored
// length of the second part, or from `to_message` with the same text. And a
// view whose parse returned its offset, or threw, is unchanged.
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_support.hpp"
#include "vexal/view.hpp"

using namespace vexal_fuzz;

namespace {

void compare_at(const bytes& data, size_t offset,
                const kelvo::vexal_limits& limits, bool bounded) {
  const std::string start = std::to_string(offset);
  kelvo::vexal expected;
  std::string want;
  const std::string error = error_of([&] {
    want = std::to_string(bounded ? expected.parse(data, offset, limits)
                                  : expected.parse(data, offset));
  });
  if (!error.empty()) want = error;

  kelvo::vexal_view view;
  const kelvo::vexal_view before = view;
  kelvo::vexal message;
  size_t end = offset;
  std::string got = error_of(
      [&] { end = view.parse(data.data(), data.size(), offset, limits); });
  if (got.empty() && end != offset) {
    got = error_of([&] { message = view.to_message(limits); });
  } else {
    require(std::memcmp(&view, &before, sizeof view) == 0,
            "a view parse that fails or consumes nothing changes nothing");
  }
  if (got.empty()) got = std::to_string(end);

  const bool inflating =
      want.rfind("Failed zlib::", 0) == 0 || want == "vexal payload too long";
  const bool deferred = inflating && (got == start || is_parse_failure(got) ||
                                      got == "vexal payload too long");
  // The bounded parse reads nothing of a message that is not whole; the
  // view checks the first part's codes first, as the unlimited parse does.
  const bool not_whole = bounded && want == start && is_parse_failure(got);
  require(got == want || deferred || not_whole,
          "a view parses as the owning parse, errors later only on inflating");
  // (After an error, the owning message may be partly replaced.)
  require(!error.empty() || got != want || message == expected,
          "a view's message is the owning parse's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size == 0) return 0;
  const uint8_t limit = input[0];
  const bytes data(input + 1, input + size);
  const kelvo::vexal_limits bounds{16 + 8 * size_t{limit}, 4 * size_t{limit}};
  for (size_t offset = 0; offset <= data.size(); ++offset) {
    compare_at(data, offset, kelvo::vexal_limits::unlimited(), false);
    if (limit != std::numeric_limits<uint8_t>::max()) {
      compare_at(data, offset, bounds, true);
    }
  }
  return 0;
}
