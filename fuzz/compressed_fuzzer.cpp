// SPDX-License-Identifier: MIT
// Fuzz target: compressed parts. Each input becomes the stored bytes of a
// valid header with compression code 1, so every input reaches inflate and
// its failure paths.
//
// Checked beyond "no crash": a payload that inflates survives a round trip
// through the compressor; a failure is one of zlib's inflate messages and
// leaves the stored, still compressed bytes in the part.
#include <stdexcept>

#include "fuzz_support.hpp"

using namespace vexal_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  const auto length = static_cast<uint32_t>(size);
  bytes data = {2,
                3,
                1,
                0,
                static_cast<uint8_t>(length >> 24),
                static_cast<uint8_t>(length >> 16),
                static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(length)};
  data.insert(data.end(), input, input + size);
  const wire_part wire = read_part(data, 0);

  kelvo::vexal_any_part before;
  before.set_payload(bytes{'o', 'l', 'd'});
  kelvo::vexal_any_part part = before;
  try {
    require(part.parse(data, 0) == data.size(), "a whole part is consumed");
    check_parsed(part, wire);
    kelvo::vexal_any_part again = part;
    again.set_compression(
        kelvo::vexal_part_payload::compression::zlib_best_speed);
    const bytes recomposed = again.compose();
    require(again.parse(recomposed, 0) == recomposed.size() && again == part,
            "an inflated payload survives a round trip");
  } catch (const std::runtime_error& error) {
    require(std::string(error.what()).rfind("Failed zlib::inflate", 0) == 0,
            "a compressed part fails only in inflate");
    check_failed(part, before, wire, error.what());
  }
  return 0;
}
