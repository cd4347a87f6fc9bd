// SPDX-License-Identifier: MIT
// Fuzz target: a `vexal_any_part` parsed from arbitrary bytes at offset 0.
//
// Checked beyond "no crash": a parse that returns 0 changed nothing; a
// successful parse returns 8 + L and keeps the type, format, compression and
// (stored as is) payload that the wire names; a thrown error is one of the
// library's messages and leaves the fields replaced in wire order up to the
// one that failed.
#include <stdexcept>

#include "fuzz_support.hpp"

using namespace vexal_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  const bytes data(input, input + size);
  kelvo::vexal_any_part before;
  before.set_type(kelvo::vexal_part_type::first);
  before.set_format(kelvo::vexal_part_payload::format::application_2);
  before.set_payload(bytes{'o', 'l', 'd'});
  kelvo::vexal_any_part part = before;
  try {
    const size_t end = part.parse(data, 0);
    if (end == 0) {
      require(part == before, "a parse that consumes nothing changes nothing");
      return 0;
    }
    const wire_part wire = read_part(data, 0);
    require(end == 8 + wire.stored.size(), "a part ends at 8 + L");
    require(part.get_type() == type_of(wire.type_code),
            "the type is the one the wire names");
    check_parsed(part, wire);
  } catch (const std::runtime_error& error) {
    // Only a whole part reaches the code conversions.
    const wire_part wire = read_part(data, 0);
    check_failed(part, before, wire, error.what());
    const bool type_refused =
        std::string(error.what()) == "Unknown vexal type (raw)";
    require(part.get_type() ==
                (type_refused ? before.get_type() : type_of(wire.type_code)),
            "the type is replaced first");
  }
  return 0;
}
