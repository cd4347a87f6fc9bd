// SPDX-License-Identifier: MIT
// Fuzz target: a `vexal_any_part` parsed from arbitrary bytes at offset 0.
//
// Checked beyond "no crash": a parse that returns 0 changed nothing; a
// successful parse returns 8 + L and keeps the type, format, compression and
// (stored as is) payload that the wire names; a thrown error is one of the
// library's messages and leaves the fields replaced in wire order up to the
// one that failed.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  kelvo::vexal_any_part part;
  vexal_fuzz::parse_and_check(vexal_fuzz::bytes(input, input + size), part);
  return 0;
}
