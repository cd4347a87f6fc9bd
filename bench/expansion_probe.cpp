// SPDX-License-Identifier: MIT
// Measures how far a small stored part expands when it is parsed: builds a
// part whose zlib stream holds MIB mebibytes of zeros (deflated in small
// pieces, so the probe never holds them itself), parses it, and prints the
// stored bytes, the payload bytes, their ratio, the time taken and the peak
// resident memory of the process. With LIMIT_MIB it first caps the address
// space (RLIMIT_AS) and reports whether the parse then fails with
// std::bad_alloc instead of growing. Build without sanitizers to measure.
//
// Usage: vexal_expansion_probe MIB [LIMIT_MIB]
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#include "vexal/vexal.hpp"

namespace {

using bytes = std::vector<uint8_t>;
constexpr size_t mebibyte = size_t{1} << 20;

// A type-0 part with compression code 1 whose stream inflates to `size`
// zero bytes.
bytes zero_part(size_t size) {
  bytes part = {2, 3, 1, 0, 0, 0, 0, 0};
  const bytes zeros(mebibyte, 0);
  bytes chunk(mebibyte);
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  size_t left = size;
  for (int flush = Z_NO_FLUSH; flush != Z_FINISH;) {
    const size_t piece = std::min(left, mebibyte);
    left -= piece;
    flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = const_cast<Bytef*>(zeros.data());
    z.avail_in = static_cast<uInt>(piece);
    do {  // until deflate leaves output room: it has taken all it was given
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      deflate(&z, flush);
      part.insert(part.end(), chunk.data(), z.next_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  const auto stored = static_cast<uint32_t>(part.size() - 8);
  for (int i = 0; i < 4; ++i) part[4 + i] = uint8_t(stored >> (24 - 8 * i));
  return part;
}

long peak_rss_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;  // ru_maxrss is in KiB on Linux
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s MIB [LIMIT_MIB]\n", argv[0]);
    return 2;
  }
  const size_t size = std::strtoull(argv[1], nullptr, 10) * mebibyte;
  const bytes part = zero_part(size);
  const long rss_before = peak_rss_mib();
  if (argc > 2) {
    const rlim_t limit = std::strtoull(argv[2], nullptr, 10) * mebibyte;
    const rlimit cap = {limit, limit};
    setrlimit(RLIMIT_AS, &cap);
  }

  kelvo::vexal_any_part parsed;
  const auto start = std::chrono::steady_clock::now();
  try {
    static_cast<void>(parsed.parse(part, 0));  // only the memory matters
  } catch (const std::bad_alloc&) {
    std::printf(
        "stored %zu bytes: parse threw std::bad_alloc under a %s MiB "
        "address-space limit\n",
        part.size() - 8, argv[2]);
    return argc > 2 ? 0 : 1;
  }
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  const size_t payload = parsed.get_payload().size();
  std::printf(
      "stored %zu bytes -> payload %zu bytes (%.0f:1) in %.2f s; "
      "peak RSS %ld MiB (%ld MiB before the parse)\n",
      part.size() - 8, payload,
      static_cast<double>(payload) / static_cast<double>(part.size() - 8),
      took.count(), peak_rss_mib(), rss_before);
  return payload == size ? 0 : 1;
}
