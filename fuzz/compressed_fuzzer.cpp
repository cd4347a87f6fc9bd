// SPDX-License-Identifier: MIT
// Fuzz target: compressed parts. Each input becomes the stored bytes of a
// valid header with compression code 1, so every input reaches inflate and
// its failure paths.
//
// Checked beyond "no crash": the whole part is consumed; a payload that
// inflates survives a round trip through the compressor; a failure is one of
// zlib's inflate messages and leaves the stored, still compressed bytes in
// the part.
#include "fuzz_support.hpp"

using namespace vexal_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  bytes data = {2, 3, 1, 0};
  for (int shift : {24, 16, 8, 0}) {
    data.push_back(static_cast<uint8_t>(size >> shift));
  }
  data.insert(data.end(), input, input + size);
  kelvo::vexal_any_part part;
  const std::optional<size_t> end = parse_and_check(data, part);
  if (end) {
    require(*end == data.size(), "a whole part is consumed");
    kelvo::vexal_any_part again = part;
    again.set_compression(
        kelvo::vexal_part_payload::compression::zlib_best_speed);
    const bytes recomposed = again.compose();
    require(again.parse(recomposed, 0) == recomposed.size() && again == part,
            "an inflated payload survives a round trip");
  }
  return 0;
}
