// SPDX-License-Identifier: MIT
// The salvage scan over a window of the input that slides forward.
#include "salvage_scan.hpp"

#include <new>
#include <system_error>
#include <vector>
#include <vexal/part_header.hpp>

namespace kelvo::tool {
namespace {

constexpr size_t read_step = 64 * 1024;

// True when the part header at `header` is one that a parse takes, of part
// type `type`.
bool header_fits(const uint8_t* header, vexal_part_type type) {
  const vexal_header_fields fields = decode_part_header(header);
  return !fields.error && fields.type == type;
}

// True when the whole message at `message` has its type-1 part first and its
// type-0 part second: the parse takes either type code in either place.
bool in_place(const uint8_t* message) {
  const uint8_t* second = message + vexal_part_header_size +
                          decode_part_header(message).stored_size;
  return header_fits(message, vexal_part_type::first) &&
         header_fits(second, vexal_part_type::second);
}

// The bytes of the input from stream offset `base_` on, read as far as the
// scan has needed.
class input_window {
 public:
  explicit input_window(const byte_source& read) : read_(read) {}

  // Reads until stream offset `end` is in; false when the input ends first.
  bool reach(uint64_t end) {
    while (base_ + bytes_.size() < end) {
      if (ended_) return false;
      const size_t at = bytes_.size();
      bytes_.resize(at + read_step);
      const size_t got = read_(bytes_.data() + at, read_step);
      bytes_.resize(at + got);
      ended_ = got == 0;
    }
    return true;
  }

  // Releases the bytes before `offset` once they are a chunk and half of
  // what is held, so that the bytes kept are moved O(1) times on average.
  void drop_before(uint64_t offset) {
    const uint64_t dropped = offset - base_;
    if (dropped < read_step || dropped < bytes_.size() / 2) return;
    bytes_.erase(bytes_.begin(),
                 bytes_.begin() + static_cast<ptrdiff_t>(dropped));
    base_ = offset;
  }

  const uint8_t* at(uint64_t offset) const {
    return bytes_.data() + (offset - base_);
  }

  // The length of the message that parses at `offset`, 0 for none.
  uint64_t message_at(uint64_t offset, const vexal_limits& limits) {
    // A message is kept only with its type-1 part first: most offsets of
    // damaged bytes fail that on their first header, before more of the
    // input is read for them.
    if (!reach(offset + vexal_part_header_size) ||
        !header_fits(at(offset), vexal_part_type::first)) {
      return 0;
    }
    for (;;) {
      const size_t from = static_cast<size_t>(offset - base_);
      std::error_code refused;
      const size_t end = parsed_.parse(bytes_, from, limits, refused);
      if (refused == vexal_errc::out_of_memory) throw std::bad_alloc();
      if (refused) return 0;
      if (end != from) return in_place(bytes_.data() + from) ? end - from : 0;
      // The message goes on past what was read.
      if (!reach(base_ + bytes_.size() + 1)) return 0;
    }
  }

 private:
  const byte_source& read_;
  std::vector<uint8_t> bytes_;
  uint64_t base_ = 0;
  bool ended_ = false;
  vexal parsed_;
};

}  // namespace

salvage_totals salvage_scan(const byte_source& read, const vexal_limits& limits,
                            const salvage_events& on) {
  input_window input(read);
  salvage_totals totals;
  uint64_t kept_end = 0;  // where the bytes not yet accounted for start
  uint64_t at = 0;
  // The scan asks twice about most offsets (as a successor, then as a
  // candidate); the last answer is kept.
  uint64_t known_at = UINT64_MAX;
  uint64_t known_size = 0;
  const auto message_at = [&](uint64_t offset) {
    if (offset != known_at) {
      known_size = input.message_at(offset, limits);
      known_at = offset;
    }
    return known_size;
  };
  const auto skip_to = [&](uint64_t offset) {
    if (offset == kept_end) return;
    on.damaged(kept_end, offset - kept_end);
    ++totals.ranges;
    totals.dropped += offset - kept_end;
  };
  while (input.reach(at + 1)) {
    input.drop_before(at);
    const uint64_t size = message_at(at);
    if (size == 0) {
      ++at;
      continue;
    }
    const uint64_t end = at + size;
    bool keep = !input.reach(end + 1) || message_at(end) != 0;
    uint64_t later = at + 1;
    if (!keep) {
      while (later < end && message_at(later) == 0) ++later;
      keep = later == end;
    }
    if (!keep) {
      at = later;
      continue;
    }
    skip_to(at);
    on.message(input.at(at), size);
    ++totals.messages;
    kept_end = at = end;
  }
  skip_to(at);
  return totals;
}

}  // namespace kelvo::tool
