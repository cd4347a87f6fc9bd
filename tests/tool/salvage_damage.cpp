// SPDX-License-Identifier: MIT
// Salvages COUNT captures (seed 2026) of random messages with random damage
// (bytes flipped, ranges zeroed, ranges cut out, garbage inserted; damages do
// not overlap) and prints two figures: the untouched messages lost, and the
// messages written that were not in the input (one damaged only inside a
// payload stored as is counts as in the input). Fails above 0.5 % of either.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <salvage_scan.hpp>

using namespace kelvo;
using bytes = std::vector<uint8_t>;

namespace {

std::mt19937 rng(2026);
size_t below(size_t n) {
  return std::uniform_int_distribution<size_t>(0, n - 1)(rng);
}

struct original {
  bytes wire;
  size_t at = 0;
  bool touched = false;
  std::vector<std::pair<size_t, size_t>> raw;  // payloads stored as is
};

template <typename Part>
void fill(Part& part, original& m) {
  bytes payload(below(4) == 0 ? below(3000) : below(200));
  const bool text = below(2) == 0;
  for (uint8_t& b : payload) b = uint8_t(text ? 'a' + below(4) : below(256));
  part.set_payload(std::move(payload));
  part.set_format(vexal_part_payload::format(below(3)));
  const auto zlib = vexal_part_payload::compression(below(2) * (1 + below(12)));
  part.set_compression(zlib);
  const size_t start = m.wire.size() + vexal_part_header_size;
  part.compose(m.wire);
  if (zlib == vexal_part_payload::compression::none) {
    m.raw.emplace_back(start, m.wire.size());
  }
}

// Damages `wire` in place; marks the messages whose bytes changed.
void damage(bytes& wire, std::vector<original>& messages) {
  const size_t count = 1 + below(4), span = wire.size() / count;
  for (size_t d = count; d-- > 0;) {  // from the end: offsets stay valid
    const size_t at = d * span + below(span / 2), size = 1 + below(40);
    const size_t end = std::min(at + size, wire.size());
    const size_t kind = below(4);
    bytes garbage(size);
    for (uint8_t& b : garbage) b = uint8_t(below(256));
    if (kind == 0) {
      for (size_t i = at; i < end; ++i) wire[i] ^= uint8_t(1 + below(255));
    } else if (kind == 1) {
      std::fill(wire.begin() + long(at), wire.begin() + long(end), 0);
    } else if (kind == 2) {
      wire.erase(wire.begin() + long(at), wire.begin() + long(end));
    } else {
      wire.insert(wire.begin() + long(at), garbage.begin(), garbage.end());
    }
    for (original& m : messages) {
      const bool inside = kind == 3 ? at > m.at && at < m.at + m.wire.size()
                                    : at < m.at + m.wire.size() && end > m.at;
      m.touched = m.touched || inside;
    }
  }
}

// True when `got` is `m`'s bytes, but for bytes inside raw payloads.
bool same_message(const bytes& got, const original& m) {
  if (got.size() != m.wire.size()) return false;
  for (size_t i = 0; i < got.size(); ++i) {
    const auto in_raw = [i](const std::pair<size_t, size_t>& r) {
      return i >= r.first && i < r.second;
    };
    if (got[i] != m.wire[i] && std::none_of(m.raw.begin(), m.raw.end(), in_raw))
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const long captures = argc > 1 ? std::atol(argv[1]) : 200;
  uint64_t untouched = 0, lost = 0, written = 0, spurious = 0;
  for (long c = 0; c < captures; ++c) {
    std::vector<original> messages(5 + below(40));
    bytes wire;
    for (original& m : messages) {
      vexal message;
      fill(message.first(), m);
      fill(message.second(), m);
      m.at = wire.size();
      wire.insert(wire.end(), m.wire.begin(), m.wire.end());
    }
    damage(wire, messages);
    std::vector<bytes> found;
    size_t read_at = 0;
    tool::salvage_events on;
    on.message = [&](const uint8_t* data, size_t size) {
      found.emplace_back(data, data + size);
    };
    on.damaged = [](uint64_t, uint64_t) {};
    tool::salvage_scan(
        [&](uint8_t* data, size_t size) {
          size = std::min(size, wire.size() - read_at);
          std::memcpy(data, wire.data() + read_at, size);
          read_at += size;
          return size;
        },
        vexal_limits{}, on);
    std::multimap<size_t, const original*> by_size;
    for (const original& m : messages) by_size.emplace(m.wire.size(), &m);
    for (const bytes& got : found) {
      const auto [from, to] = by_size.equal_range(got.size());
      spurious += std::none_of(from, to, [&](const auto& e) {
        return same_message(got, *e.second);
      });
    }
    written += found.size();
    for (const original& m : messages) {
      if (m.touched) continue;
      ++untouched;
      lost += std::find(found.begin(), found.end(), m.wire) == found.end();
    }
  }
  std::printf("untouched messages lost: %llu of %llu (%.3f %%)\n",
              (unsigned long long)lost, (unsigned long long)untouched,
              100.0 * double(lost) / double(untouched));
  std::printf("messages written not in the input: %llu of %llu (%.3f %%)\n",
              (unsigned long long)spurious, (unsigned long long)written,
              100.0 * double(spurious) / double(written));
  return lost * 200 > untouched || spurious * 200 > written;
}
