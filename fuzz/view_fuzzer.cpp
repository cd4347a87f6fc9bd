// SPDX-License-Identifier: MIT
// Fuzz target: message views against the owning parse, on arbitrary bytes at
// every offset.
//
// Input: the data, in a buffer of exactly its size, so that ASan sees any
// read past its end. Checked at every offset: a view's parse followed by
// `to_message` gives the offset, message or error text of the owning parse
// within (unlimited) limits, which refuses in the same order; a view's parse
// that throws nothing reports the same error code; and a view whose parse
// returned its offset, or threw, is unchanged.
#include <cstring>
#include <string>

#include "fuzz_support.hpp"
#include "vexal/view.hpp"

using namespace vexal_fuzz;

namespace {

void compare_at(const bytes& data, size_t offset) {
  const kelvo::vexal_limits unlimited = kelvo::vexal_limits::unlimited();
  kelvo::vexal expected;
  std::string want;
  const std::string error = error_of(
      [&] { want = std::to_string(expected.parse(data, offset, unlimited)); });
  if (!error.empty()) want = error;

  kelvo::vexal_view view;
  const kelvo::vexal_view before = view;
  kelvo::vexal message;
  size_t end = offset;
  std::string got =
      error_of([&] { end = view.parse(data.data(), data.size(), offset); });
  if (got.empty() && end != offset) {
    got = error_of([&] { message = view.to_message(); });
  } else {
    require(std::memcmp(&view, &before, sizeof view) == 0,
            "a view parse that fails or consumes nothing changes nothing");
  }
  if (got.empty()) got = std::to_string(end);
  require(got == want, "a view parses as the owning parse within limits");

  kelvo::vexal_view quiet;
  std::error_code code = kelvo::make_error_code(kelvo::vexal_errc::zlib_failed);
  const size_t quiet_end =
      quiet.parse(data.data(), data.size(), offset, unlimited, code);
  require(quiet_end == (code ? offset : end) &&
              (code ? code.message() == got : quiet.size() == view.size()),
          "the view parse without exceptions reports the same, as a code");
  // (After an error, the owning message may be partly replaced.)
  require(!error.empty() || got != want || message == expected,
          "a view's message is the owning parse's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  const bytes data(input, input + size);
  for (size_t offset = 0; offset <= data.size(); ++offset) {
    compare_at(data, offset);
  }
  return 0;
}
