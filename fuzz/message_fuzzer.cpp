// SPDX-License-Identifier: MIT
// Fuzz target: a message parsed from arbitrary bytes at an arbitrary offset.
//
// Input: the first byte is the offset (it may lie past the end), the rest is
// the data. Checked beyond "no crash": a parse that returns its start offset
// changed nothing; a successful parse returns offset + 16 + L1 + L2, reads no
// byte past that point and yields the parts the wire names; a thrown error is
// one of the library's messages, keeps the first part and leaves the second
// as a failed part parse leaves it.
#include <stdexcept>

#include "fuzz_support.hpp"

using namespace vexal_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size == 0) return 0;
  const size_t offset = input[0];
  const bytes data(input + 1, input + size);
  kelvo::vexal before;
  before.first().set_payload(bytes{'o', 'n', 'e'});
  before.second().set_payload(bytes{'t', 'w', 'o'});
  before.second().set_format(kelvo::vexal_part_payload::format::application_1);
  kelvo::vexal message = before;
  try {
    const size_t end = message.parse(data, offset);
    if (end == offset) {
      require(message == before,
              "a parse that consumes nothing changes nothing");
      return 0;
    }
    const size_t second_at = offset + 8 + stored_length(data, offset);
    require(end == second_at + 8 + stored_length(data, second_at),
            "a message ends at offset + 16 + L1 + L2");
    check_part(message.first(), before.first(), read_part(data, offset), "");
    check_part(message.second(), before.second(), read_part(data, second_at),
               "");
    kelvo::vexal again = before;
    const bytes cut(data.begin(),
                    data.begin() + static_cast<std::ptrdiff_t>(end));
    require(again.parse(cut, offset) == end && again == message,
            "a parse reads no byte past the message");
  } catch (const std::runtime_error& error) {
    require(message.first() == before.first(),
            "a failed parse keeps the first part");
    // A changed second part means the first was whole, so L1 can be read.
    if (message.second() != before.second()) {
      const size_t second_at = offset + 8 + stored_length(data, offset);
      check_part(message.second(), before.second(), read_part(data, second_at),
                 error.what());
    } else {
      require(is_parse_failure(error.what()),
              "a parse throws only the library's messages");
    }
  }
  return 0;
}
