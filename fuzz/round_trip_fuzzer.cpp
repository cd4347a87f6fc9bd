// SPDX-License-Identifier: MIT
// Fuzz target: whatever parses as a message at offset 0 is composed again and
// must parse back equal.
//
// Each part is composed again with the compression that its reserved byte
// selects (value modulo 13), so raw and every zlib level are exercised. The
// wire keeps only whether a part is compressed, so the parts must come back
// with `none` or `zlib_default`. A message whose parts were stored as is, with
// type codes 1 and 2 and reserved bytes 0, must compose to its input bytes.
#include "fuzz_support.hpp"

using namespace vexal_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  const bytes data(input, input + size);
  kelvo::vexal message;
  size_t end = 0;
  // The message and part targets check failures.
  if (!error_of([&] { end = message.parse(data, 0); }).empty() || end == 0) {
    return 0;
  }
  const size_t second_at = 8 + stored_length(data, 0);
  kelvo::vexal expected = message;
  kelvo::vexal_part_ctx* const parts[] = {&message.first(), &message.second()};
  kelvo::vexal_part_ctx* const wanted[] = {&expected.first(),
                                           &expected.second()};
  const size_t reserved[] = {3, second_at + 3};
  for (int i = 0; i < 2; ++i) {
    const auto chosen = static_cast<compression>(data[reserved[i]] % 13);
    parts[i]->set_compression(chosen);
    wanted[i]->set_compression(chosen == compression::none
                                   ? compression::none
                                   : compression::zlib_default);
  }
  const bytes wire = message.compose();
  kelvo::vexal back;
  require(back.parse(wire, 0) == wire.size() && back == expected,
          "a composed message parses back equal");
  const bool canonical = data[0] == 1 && data[2] == 0 && data[3] == 0 &&
                         data[second_at] == 2 && data[second_at + 2] == 0 &&
                         data[second_at + 3] == 0;
  require(!canonical ||
              wire == bytes(data.begin(),
                            data.begin() + static_cast<std::ptrdiff_t>(end)),
          "a canonical raw message composes to its own bytes");
  return 0;
}
