// SPDX-License-Identifier: MIT
// Fuzz target: message views against the owning parse, on arbitrary bytes at
// every offset.
//
// Input: the data, in a buffer of exactly its size, so that ASan sees any
// read past its end. Checked at every offset: a view's parse followed by
// `to_message` gives the owning parse's offset, message or error text. Only
// where the owning parse fails inflating may the view fail later: in its
// parse, on a code of the second part, or from `to_message` with the same
// text. And a view whose parse returned its offset, or threw, is unchanged.
// (The bounded parses are compared in tests/view_test.cpp.)
#include <cstring>
#include <string>

#include "fuzz_support.hpp"
#include "vexal/view.hpp"

using namespace vexal_fuzz;

namespace {

void compare_at(const bytes& data, size_t offset) {
  kelvo::vexal expected;
  std::string want;
  const std::string error =
      error_of([&] { want = std::to_string(expected.parse(data, offset)); });
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

  const bool deferred =
      want.rfind("Failed zlib::", 0) == 0 &&
      (got == std::to_string(offset) || is_parse_failure(got));
  require(got == want || deferred,
          "a view parses as the owning parse, errors later only on inflating");
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
