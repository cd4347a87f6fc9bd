// SPDX-License-Identifier: MIT
// Fuzz target: the bounded parse and the stream reader on arbitrary bytes.
//
// Input: byte 0 sets max_message_size (16 + 8 * b), byte 1 max_payload_size
// (8 * b), 255 meaning no limit; byte 2 sets the size of each feed (b + 1);
// the rest is the stream. Checked: "vexal message too long" exactly when the
// headers present announce too much; otherwise the bounded parse returns its
// offset while the message is incomplete, and on a whole one agrees with the
// unlimited parse, except that "vexal payload too long" may stand where the
// unlimited parse yields a larger payload or fails. The reader, given the
// pieces with feed or prepare + commit and read with next or try_next in an
// order drawn from byte 2, yields the messages and refusals of the bounded
// parse walking the stream, is at a boundary exactly between messages, and
// accounts for every byte.
#include <algorithm>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "vexal/reader.hpp"

using namespace vexal_fuzz;
using status = kelvo::vexal_reader::status;

namespace {

struct outcome {
  kelvo::vexal message;
  std::string error;  // empty when the parse returned
  size_t end;
  uint64_t size;  // 16 + L1 + L2 once both headers are present, else 0
};

// The bounded parse at `at`, checked against the unlimited parse.
outcome parse_at(const bytes& data, size_t at,
                 const kelvo::vexal_limits& limits) {
  outcome got{{}, "", at, 0};
  got.error = error_of([&] { got.end = got.message.parse(data, at, limits); });
  const size_t available = data.size() - at;
  const uint64_t second_at =
      available < 8 ? 8 : 8 + uint64_t{stored_length(data, at)};
  if (available >= second_at + 8) {
    got.size = second_at + 8 + stored_length(data, at + second_at);
  }
  const bool too_long = available >= 8 && std::max(got.size, second_at + 8) >
                                              limits.max_message_size;
  require((got.error == "vexal message too long") == too_long,
          "message too long exactly when the headers say so");
  if (too_long || got.size == 0 || available < got.size) {
    require(too_long || (got.error.empty() && got.end == at),
            "an incomplete message returns its offset");
    return got;
  }
  kelvo::vexal plain;
  const std::string plain_error =
      error_of([&] { static_cast<void>(plain.parse(data, at)); });
  const size_t longest = std::max(plain.first().get_payload().size(),
                                  plain.second().get_payload().size());
  require(got.error == "vexal payload too long"
              ? !plain_error.empty() || longest > limits.max_payload_size
              : got.error == plain_error &&
                    (!got.error.empty() ||
                     (got.message == plain && got.end == at + got.size)),
          "within the limits, the bounded parse is the parse");
  return got;
}

size_t limit(uint8_t byte, size_t base) {
  return byte == 255 ? std::numeric_limits<size_t>::max() : base + 8 * byte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 3) return 0;
  const kelvo::vexal_limits limits{limit(input[0], 16), limit(input[1], 0)};
  const size_t piece = size_t{input[2]} + 1;
  const bytes data(input + 3, input + size);

  // What the reader must yield: the bounded parse walking the stream, past a
  // refused message to the next when its size is known.
  std::vector<outcome> expected;
  for (size_t at = 0; at < data.size();) {
    expected.push_back(parse_at(data, at, limits));
    const outcome& got = expected.back();
    if (got.error.empty() && got.end == at) {
      expected.pop_back();
      break;
    }
    at = got.error.empty() ? got.end : at + got.size;
    if (got.size == 0 || at > data.size()) break;
  }

  // The reader, given the bytes with feed or prepare + commit and asked with
  // next or try_next, in an order that `dice` draws from byte 2; skip() is
  // called after every refusal.
  std::set<size_t> boundaries = {0};
  for (const outcome& got : expected) {
    boundaries.insert(got.error.empty() ? got.end : got.end + got.size);
  }
  kelvo::vexal_reader reader(limits);
  kelvo::vexal message;
  size_t seen = 0;
  uint32_t dice = input[2];
  const auto roll = [&] {
    return ((dice = dice * 1103515245u + 12345u) >> 16) & 1;
  };
  for (size_t at = 0; at < data.size(); at += piece) {
    const size_t n = std::min(piece, data.size() - at);
    if (roll()) {
      reader.feed(data.data() + at, n);
    } else {
      std::memcpy(reader.prepare(n), data.data() + at, n);
      reader.commit(n);
    }
    for (;; ++seen) {
      bool read = false;
      std::string error;
      if (roll()) {
        error = error_of([&] { read = reader.next(message); });
      } else {
        const status got = reader.try_next(message);
        read = got == status::message;
        error = reader.error();
        const bool too_long = error == "vexal message too long";
        require(got == (read            ? status::message
                        : error.empty() ? status::need_more
                        : too_long      ? status::message_too_long
                        : error == "vexal payload too long"
                            ? status::payload_too_long
                            : status::malformed),
                "try_next's status names its error");
      }
      if (!read && error.empty()) break;
      require(seen < expected.size() && expected[seen].error == error &&
                  (!read || (message == expected[seen].message &&
                             reader.offset() == expected[seen].end)),
              "the reader yields what the parse yields");
      if (!read) reader.skip();
    }
    require(reader.needed() >= 1 &&
                reader.at_boundary() == (boundaries.count(at + n) == 1),
            "more bytes are needed when next is false, and the reader is at "
            "a boundary exactly between messages");
  }
  require(seen == expected.size() &&
              reader.offset() + reader.buffered() == data.size(),
          "the reader yields every message and accounts for every byte");
  return 0;
}
