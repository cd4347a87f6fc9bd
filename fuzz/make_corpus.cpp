// Writes the seed corpus of the fuzz targets to DIR/<target>/; the committed
// corpus in fuzz/corpus/ is its output. Seeds: the example messages and parts
// of the wire format, zlib streams at several levels, one made with a preset
// dictionary, a gzip stream, a cut stream and a stream with stray bytes after
// it. Message seeds for the message target start with their offset byte.
//
// Usage: vexal_fuzz_make_corpus DIR
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "vexal/vexal.hpp"

namespace {

using bytes = std::vector<uint8_t>;
using seeds = std::vector<std::pair<std::string, bytes>>;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

// `input` deflated by zlib itself; window bits 31 give the gzip format.
bytes deflated(const bytes& input, int level, int window_bits = 15,
               const std::string& dictionary = "") {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  if (!dictionary.empty()) {
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  }
  bytes out(deflateBound(&z, input.size()));
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// One part as the wire carries it, with codes given raw.
bytes part(uint8_t type, uint8_t format_code, uint8_t compression_code,
           const bytes& stored) {
  const auto n = static_cast<uint32_t>(stored.size());
  bytes out = {type,
               format_code,
               compression_code,
               0,
               static_cast<uint8_t>(n >> 24),
               static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 8),
               static_cast<uint8_t>(n)};
  out.insert(out.end(), stored.begin(), stored.end());
  return out;
}

bytes join(bytes left, const bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

// `data` without its last `count` bytes.
bytes without_last(bytes data, size_t count) {
  data.resize(data.size() - count);
  return data;
}

bytes message(const bytes& first, compression first_compression,
              const bytes& second,
              format second_format = format::application_2) {
  kelvo::vexal composed;
  composed.first().set_payload(first);
  composed.first().set_compression(first_compression);
  composed.second().set_payload(second);
  composed.second().set_format(second_format);
  return composed.compose();
}

void write(const std::filesystem::path& dir, const seeds& files) {
  std::filesystem::create_directories(dir);
  for (const auto& [name, content] : files) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const std::string dictionary = "vexal part payload dictionary";
  bytes text;
  for (int i = 0; i < 40; ++i) {
    const std::string line =
        "the vexal part payload number " + std::to_string(i) + "\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  const bytes abc = {'a', 'b', 'c'};
  const bytes level_6 = deflated(text, 6);

  const seeds streams = {
      {"level_0", deflated(text, 0)},
      {"level_1", deflated(text, 1)},
      {"level_6", level_6},
      {"level_9", deflated(text, 9)},
      {"empty", deflated({}, 6)},
      {"zeros_100k", deflated(bytes(100000, 0), 9)},
      {"preset_dictionary", deflated(text, 6, 15, dictionary)},
      {"gzip", deflated(text, 6, 31)},
      {"cut", without_last(level_6, 4)},
      {"stray_bytes_after", join(level_6, abc)},
  };
  const seeds parts = {
      {"default", part(2, 3, 0, {})},
      {"abc", part(1, 1, 0, abc)},
      {"zlib_level_1", part(2, 3, 1, deflated(text, 1))},
      {"zlib_level_9", part(2, 2, 1, deflated(text, 9))},
      {"preset_dictionary", part(2, 3, 1, deflated(text, 6, 15, dictionary))},
      {"gzip", part(1, 3, 1, deflated(text, 6, 31))},
      {"stored_bytes_short", without_last(part(1, 3, 0, {1, 2, 3, 4}), 1)},
  };
  const bytes two_bytes =
      message({0xAA, 0xBB}, compression::none, {}, format::bytes);
  const seeds messages = {
      {"default", message({}, compression::none, {}, format::bytes)},
      {"payload_aa_bb", two_bytes},
      {"types_swapped", join(part(2, 3, 0, {}), part(1, 3, 0, {}))},
      {"zlib_best_speed", message(text, compression::zlib_best_speed, abc)},
      {"zlib_default", message(text, compression::zlib_default, abc)},
      {"zlib_level_9", message(text, compression::zlib_level_9, abc)},
      {"preset_dictionary",
       join(part(1, 3, 1, deflated(text, 6, 15, dictionary)),
            part(2, 3, 0, abc))},
      {"two_messages",
       join(two_bytes, message(abc, compression::zlib_default, text))},
  };

  const bytes raw_pair = message(abc, compression::none, abc);
  seeds at_offsets = {
      {"at_offset_5",
       join(bytes{5, 'j', 'u', 'n', 'k', '!'}, join(two_bytes, abc))},
      {"second_header_short", join(bytes{0}, without_last(raw_pair, 5))},
      {"second_stored_short", join(bytes{0}, without_last(raw_pair, 1))}};
  for (const auto& [name, content] : messages) {
    at_offsets.emplace_back(name, join(bytes{0}, content));
  }
  write(root / "compressed", streams);
  write(root / "any_part", parts);
  write(root / "round_trip", messages);
  write(root / "message", at_offsets);
  return 0;
}
