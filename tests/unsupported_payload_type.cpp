// SPDX-License-Identifier: MIT
// Must fail to compile: the payload adapters exist for the byte vector only,
// and using them with another type has to stop the build at the call with a
// message that names the supported type (checked by the test that compiles
// this file).
#include "vexal/payload.hpp"

int main() {
  using namespace kelvo::vexal_part_payload;
  return from_bytes<int>(to_bytes(42)) + static_cast<int>(get_format<int>());
}
