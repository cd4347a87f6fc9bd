// SPDX-License-Identifier: MIT
// Fuzz target: the bounded parse and the stream reader on arbitrary bytes.
//
// Input: byte 0 sets max_message_size (16 + 8 * b), byte 1 max_payload_size
// (8 * b), 255 meaning no limit; byte 2 sets the size of each feed (b + 1);
// the rest is the stream. Checked: the bounded parse refuses exactly what
// the headers present refuse, header by header (announced size, codes,
// stored payload), and returns its offset while the message is incomplete;
// on a whole one with valid headers it agrees with the unlimited parse,
// except that "vexal payload too long" may stand where the unlimited parse
// yields a larger payload or fails. The reader, given the
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
#include "vexal/part_header.hpp"
#include "vexal/reader.hpp"

using namespace vexal_fuzz;
using status = kelvo::vexal_reader::status;

namespace {

struct outcome {
  kelvo::vexal message;
  std::string error;  // empty when the parse returned
  size_t end;
  size_t next;  // where reading goes on after it; 0 when not yet known
};

// Where the message at `at` ends, from its two headers; 0 while the data do
// not hold both.
uint64_t message_end(const bytes& data, size_t at) {
  if (data.size() - at < 8) return 0;
  const uint64_t second_at = at + 8 + uint64_t{stored_length(data, at)};
  if (data.size() < second_at + 8) return 0;
  return second_at + 8 + stored_length(data, static_cast<size_t>(second_at));
}

// What the headers present at `at` refuse, read as the parses within limits
// read them: each header's announced size, codes and stored payload in
// turn; "" when they refuse nothing.
std::string header_refusal(const bytes& data, size_t at,
                           const kelvo::vexal_limits& limits) {
  uint64_t header_at = at;
  uint64_t least = 16;
  for (int part = 0; part < 2 && data.size() - header_at >= 8; ++part) {
    const uint32_t stored = stored_length(data, header_at);
    least += stored;
    if (least > limits.max_message_size) return "vexal message too long";
    const kelvo::vexal_header_fields fields =
        kelvo::decode_part_header(data.data() + header_at);
    if (fields.error) return fields.error.message();
    if (!fields.compression_code && stored > limits.max_payload_size) {
      return "vexal payload too long";
    }
    header_at += 8 + uint64_t{stored};
    if (header_at > data.size()) break;
  }
  return "";
}

// The bounded parse at `at`, checked against the headers and, on a whole
// message with valid headers, against the unlimited parse.
outcome parse_at(const bytes& data, size_t at,
                 const kelvo::vexal_limits& limits) {
  outcome got{{}, "", at, 0};
  got.error = error_of([&] { got.end = got.message.parse(data, at, limits); });
  const uint64_t next = message_end(data, at);
  const std::string refusal = header_refusal(data, at, limits);
  got.next = static_cast<size_t>(std::min<uint64_t>(next, data.size() + 1));
  if (!refusal.empty() || next == 0 || next > data.size()) {
    require(got.error == refusal && got.end == at,
            "the headers present refuse a message, or it is incomplete");
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
                     (got.message == plain && got.end == next)),
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
    at = got.error.empty() ? got.end : got.next;
    if (at == 0 || at > data.size()) break;
  }

  // The reader, given the bytes with feed or prepare + commit and asked with
  // next or try_next, in an order that `dice` draws from byte 2; skip() is
  // called after every refusal.
  std::set<size_t> boundaries = {0};
  for (const outcome& got : expected) {
    boundaries.insert(got.error.empty() ? got.end : got.next);
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
        const std::error_code code = reader.error_code();
        using kelvo::vexal_errc;
        require(got == (read    ? status::message
                        : !code ? status::need_more
                        : code == vexal_errc::message_too_long
                            ? status::message_too_long
                        : code == vexal_errc::payload_too_long
                            ? status::payload_too_long
                            : status::malformed) &&
                    error.empty() == !code &&
                    (!code || code.message() == error ||
                     code == vexal_errc::zlib_failed),
                "try_next's status and code name its error");
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
