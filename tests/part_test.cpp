// SPDX-License-Identifier: MIT
// The part subsystem: the header, the code conversions, the zlib codec as
// parts use it, and the part record with its value semantics.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "part/impl.hpp"
#include "serialization/byte_order.hpp"
#include "test_support.hpp"
#include "vexal/vexal.hpp"

namespace {

using kelvo::vexal_any_part;
using kelvo::vexal_first_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using kelvo::vexal_second_part;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;
using vexal_test::bytes;
using vexal_test::hex;
using vexal_test::noise;
using vexal_test::text_bytes;
using impl = kelvo::vexal_part_ctx::impl;
using header = impl::header;

template <typename Enum>
Enum raw(int value) {
  return static_cast<Enum>(value);
}

// A zlib stream made by zlib itself, optionally with a preset dictionary.
bytes zlib_stream(const bytes& input, int level,
                  const std::string& dictionary = "") {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, level), Z_OK);
  if (!dictionary.empty()) {
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                         static_cast<uInt>(dictionary.size()));
  }
  bytes out(deflateBound(&z, input.size()) + 64);
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// One part on the wire: header codes, then the stored bytes.
bytes wire_part(int type, int fmt, int comp, const bytes& stored) {
  bytes out = {static_cast<uint8_t>(type), static_cast<uint8_t>(fmt),
               static_cast<uint8_t>(comp), 0};
  const auto n = static_cast<uint32_t>(stored.size());
  for (int shift : {24, 16, 8, 0}) out.push_back(uint8_t(n >> shift));
  out.insert(out.end(), stored.begin(), stored.end());
  return out;
}

// ---------------------------------------------------------------- header

TEST(Header, ParsesFieldsAtAnyOffsetAndRecomposesThem) {
  const bytes wire = hex("02 03 00 ff 00 00 01 00");
  for (size_t offset : {size_t{0}, size_t{5}}) {
    bytes data(offset, 0xEE);
    data.insert(data.end(), wire.begin(), wire.end());
    data.push_back(0x77);
    header h(raw<header::type>(9), raw<header::format>(9),
             raw<header::compression>(9), 0);
    EXPECT_EQ(h.parse(data, offset), offset + 8);
    EXPECT_EQ(int(h.raw_type), 2);
    EXPECT_EQ(int(h.raw_format), 3);
    EXPECT_EQ(int(h.raw_compression), 0);
    EXPECT_EQ(h.reserved, 0xFF);
    EXPECT_EQ(kelvo::detail::from_big_endian(h.payload_size), 256u);
    EXPECT_EQ(h.compose(), wire);
    EXPECT_EQ(h.size(), 8u);
  }
}

TEST(Header, ShortInputKeepsTheFieldsNotYetRead) {
  header h(raw<header::type>(9), raw<header::format>(9),
           raw<header::compression>(9), 0x01020304);
  EXPECT_THROW_MSG(h.parse(bytes(8), 8),
                   "Can't unpack element: Input too short [0] at [8] "
                   "expected [1]");
  EXPECT_EQ(int(h.raw_type), 9);
  EXPECT_THROW_MSG(h.parse(bytes(8), 9),
                   "Can't unpack element: Possition [9] out of range [8]");
  EXPECT_THROW_MSG(h.parse(hex("01 02 00 05 00"), 0),
                   "Can't unpack element: Input too short [1] at [4] "
                   "expected [4]");
  EXPECT_EQ(int(h.raw_type), 1);
  EXPECT_EQ(int(h.raw_format), 2);
  EXPECT_EQ(h.reserved, 5);
  EXPECT_EQ(h.payload_size, 0x01020304u);
}

// ----------------------------------------------------------- conversions

TEST(Codes, MapValuesToWireCodesAndBack) {
  const std::pair<int, int> types[] = {{0, 2}, {1, 1}};
  for (auto [value, code] : types) {
    EXPECT_EQ(int(impl::from_type(raw<vexal_part_type>(value))), code);
    EXPECT_EQ(int(impl::to_type(raw<header::type>(code))), value);
  }
  const std::pair<int, int> formats[] = {{0, 3}, {1, 2}, {2, 1}};
  for (auto [value, code] : formats) {
    EXPECT_EQ(int(impl::from_format(raw<format>(value))), code);
    EXPECT_EQ(int(impl::to_format(raw<header::format>(code))), value);
  }
  const int levels[] = {0, -1, 1, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (int value = 0; value <= 12; ++value) {
    const auto c = raw<compression>(value);
    EXPECT_EQ(int(impl::from_compression(c)), value == 0 ? 0 : 1);
    EXPECT_EQ(impl::to_zlib_compression_level(c), levels[value]) << value;
    EXPECT_EQ(int(impl::to_compression(impl::from_compression(c))),
              value == 0 ? 0 : 1);
  }
}

TEST(Codes, RefuseEveryValueOutsideTheirTables) {
  for (int v : {-1, 2, 3, 1 << 30}) {
    EXPECT_THROW_MSG(impl::from_type(raw<vexal_part_type>(v)),
                     "Unknown vexal type");
  }
  for (int v : {-1, 3, 7}) {
    EXPECT_THROW_MSG(impl::from_format(raw<format>(v)), "Unknown vexal format");
  }
  for (int v : {-1, 13, -2147483647 - 1, 2147483647}) {
    EXPECT_THROW_MSG(impl::from_compression(raw<compression>(v)),
                     "Unknown vexal compression");
    EXPECT_THROW_MSG(impl::to_zlib_compression_level(raw<compression>(v)),
                     "Unknown vexal compression");
  }
  for (int code = 0; code <= 255; ++code) {
    if (code != 1 && code != 2) {
      EXPECT_THROW_MSG(impl::to_type(raw<header::type>(code)),
                       "Unknown vexal type (raw)");
    }
    if (code < 1 || code > 3) {
      EXPECT_THROW_MSG(impl::to_format(raw<header::format>(code)),
                       "Unknown vexal format (raw)");
    }
    if (code > 1) {
      EXPECT_THROW_MSG(impl::to_compression(raw<header::compression>(code)),
                       "Unknown vexal compression (raw)");
    }
  }
}

// ------------------------------------------------------ composing a part

TEST(PartCompose, ExampleBytes) {
  EXPECT_EQ(vexal_second_part().compose(), hex("02 03 00 00 00 00 00 00"));
  EXPECT_EQ(vexal_any_part().compose(), hex("02 03 00 00 00 00 00 00"));
  EXPECT_EQ(vexal_first_part().compose(), hex("01 03 00 00 00 00 00 00"));

  vexal_first_part abc;
  abc.set_format(format::application_2);
  abc.set_payload(text_bytes("abc"));
  bytes out = {0xDE, 0xAD};
  abc.compose(out);
  EXPECT_EQ(out, hex("de ad 01 01 00 00 00 00 00 03 61 62 63"));

  vexal_second_part big;
  big.set_payload(bytes(256, 0x11));
  const bytes wire = big.compose();
  ASSERT_EQ(wire.size(), 8u + 256u);
  EXPECT_EQ(bytes(wire.begin() + 4, wire.begin() + 8), hex("00 00 01 00"));
}

struct compose_failure {
  int type, fmt, comp;
  const char* message;
};

// Checks run in a fixed order: compression, then type, then format.
TEST(PartCompose, FailuresComeInOrderAndAppendNothing) {
  const compose_failure cases[] = {
      {5, 9, 13, "Unknown vexal compression"},
      {5, 9, -1, "Unknown vexal compression"},
      {2, 9, 0, "Unknown vexal type"},
      {2, 9, 1, "Unknown vexal type"},
      {1, 3, 0, "Unknown vexal format"},
      {0, 7, 12, "Unknown vexal format"},
  };
  for (const auto& c : cases) {
    vexal_any_part part;
    part.set_type(raw<vexal_part_type>(c.type));
    part.set_format(raw<format>(c.fmt));
    part.set_compression(raw<compression>(c.comp));
    part.set_payload(text_bytes("payload"));
    const vexal_any_part before = part;
    bytes out = {1, 2, 3};
    EXPECT_THROW_MSG(part.compose(out), c.message);
    EXPECT_EQ(out, hex("01 02 03"));
    EXPECT_TRUE(part == before);
  }
}

// ------------------------------------------------------- parsing a part

TEST(PartParse, ReadsTheExamplePartAtAnyOffset) {
  const bytes wire = hex("01 01 00 00 00 00 00 03 61 62 63");
  for (size_t offset : {size_t{0}, size_t{5}}) {
    bytes data(offset, 0xEE);
    data.insert(data.end(), wire.begin(), wire.end());
    data.insert(data.end(), {0xFF, 0xFF});  // never looked at
    vexal_any_part part;
    EXPECT_EQ(part.parse(data, offset), offset + 11);
    EXPECT_EQ(part.get_type(), vexal_part_type::first);
    EXPECT_EQ(part.get_format(), format::application_2);
    EXPECT_EQ(part.get_compression(), compression::none);
    EXPECT_EQ(part.get_payload(), text_bytes("abc"));
  }
}

TEST(PartParse, TooFewBytesChangesNothing) {
  const bytes inputs[] = {
      hex("01 01 00 00 00 00 00"),              // 7 bytes of header
      hex("01 01 00 00 00 00 00 04 61 62 63"),  // 3 of 4 stored bytes
      hex("01 01 00 00 ff ff ff ff"),           // length past any input
      {},
  };
  for (const auto& data : inputs) {
    for (size_t offset : {size_t{0}, data.size(), data.size() + 3}) {
      vexal_first_part part;
      part.set_format(format::application_1);
      part.set_payload(text_bytes("keep"));
      const vexal_first_part before = part;
      EXPECT_EQ(part.parse(data, offset), offset);
      EXPECT_TRUE(part == before);
    }
  }
  vexal_any_part any;
  EXPECT_EQ(any.parse(bytes(3), SIZE_MAX), SIZE_MAX);
}

TEST(PartParse, AcceptsAnyReservedByteAndEmptyPayload) {
  vexal_any_part part;
  part.set_payload(text_bytes("old"));
  EXPECT_EQ(part.parse(hex("02 02 00 ab 00 00 00 00"), 0), 8u);
  EXPECT_TRUE(part.get_payload().empty());
  EXPECT_EQ(part.get_format(), format::application_1);
}

struct parse_failure {
  bytes wire;
  const char* message;
  int type, fmt, comp;  // fields afterwards, -1: unchanged
  bool payload_is_stored;
};

// Fields are replaced one by one as their codes convert; a zlib failure
// leaves the stored (still compressed) bytes in the payload.
TEST(PartParse, MalformedPartsThrowAndLeaveFieldsAsDocumented) {
  const bytes gzip_like = hex("1f 8b 08 00 00 00 00 00 00 03 03 00");
  const bytes truncated = [] {
    bytes s = zlib_stream(bytes(100, 'z'), 6);
    s.pop_back();
    return s;
  }();
  const bytes dictionary = zlib_stream(text_bytes("abc"), 6, "abcabc");
  const parse_failure cases[] = {
      {wire_part(0, 3, 0, {}), "Unknown vexal type (raw)", -1, -1, -1, false},
      {wire_part(3, 3, 0, {}), "Unknown vexal type (raw)", -1, -1, -1, false},
      {wire_part(1, 0, 0, {}), "Unknown vexal format (raw)", 1, -1, -1, false},
      {wire_part(1, 4, 0, {}), "Unknown vexal format (raw)", 1, -1, -1, false},
      {wire_part(2, 1, 2, {}), "Unknown vexal compression (raw)", 0, 2, -1,
       false},
      {wire_part(1, 3, 1, {}), "Failed zlib::inflate [-5]: ", 1, 0, 1, true},
      {wire_part(1, 3, 1, truncated), "Failed zlib::inflate [-5]: ", 1, 0, 1,
       true},
      {wire_part(1, 3, 1, dictionary), "Failed zlib::inflate [2]: ", 1, 0, 1,
       true},
      {wire_part(1, 3, 1, gzip_like),
       "Failed zlib::inflate [-3]: incorrect header check", 1, 0, 1, true},
  };
  for (const auto& c : cases) {
    vexal_any_part part;
    part.set_type(vexal_part_type::second);
    part.set_format(format::application_1);
    part.set_compression(compression::zlib_level_3);
    part.set_payload(text_bytes("before"));
    EXPECT_THROW_MSG(part.parse(c.wire, 0), c.message);
    EXPECT_EQ(int(part.get_type()), c.type == -1 ? 0 : c.type);
    EXPECT_EQ(int(part.get_format()), c.fmt == -1 ? 1 : c.fmt);
    EXPECT_EQ(int(part.get_compression()), c.comp == -1 ? 6 : c.comp);
    const bytes stored(c.wire.begin() + 8, c.wire.end());
    EXPECT_EQ(part.get_payload(),
              c.payload_is_stored ? stored : text_bytes("before"));
  }
}

TEST(PartParse, IgnoresBytesAfterTheZlibStreamInsideThePart) {
  bytes stored = zlib_stream(text_bytes("hello"), 9);
  stored.insert(stored.end(), {1, 2, 3});
  const bytes wire = wire_part(2, 3, 1, stored);
  vexal_second_part part;
  EXPECT_EQ(part.parse(wire, 0), wire.size());
  EXPECT_EQ(part.get_payload(), text_bytes("hello"));
  EXPECT_EQ(part.get_compression(), compression::zlib_default);
}

// ------------------------------------------------------------ round trips

class PartRoundTrip : public testing::TestWithParam<int> {};

TEST_P(PartRoundTrip, EveryCompressionValueRestoresThePayload) {
  const auto value = raw<compression>(GetParam());
  const bytes payloads[] = {
      {}, text_bytes("x"), noise(70000), bytes(200000, 'a')};
  for (const auto& payload : payloads) {
    vexal_first_part part;
    part.set_payload(payload);
    part.set_compression(value);
    part.set_format(format::application_1);
    const bytes wire = part.compose();
    const uint32_t stored = kelvo::detail::decode_be32(wire.data() + 4);
    ASSERT_EQ(wire.size(), 8u + stored);
    EXPECT_EQ(wire[2], value == compression::none ? 0 : 1);
    if (value != compression::none) {
      EXPECT_GT(stored, 0u);
    }

    vexal_first_part back;
    ASSERT_EQ(back.parse(wire, 0), wire.size());
    EXPECT_EQ(back.get_payload(), payload);
    EXPECT_EQ(back.get_compression(), value == compression::none
                                          ? compression::none
                                          : compression::zlib_default);
    // The wire keeps no zlib level, so only these two compare equal.
    const bool same_value = GetParam() <= 1;
    EXPECT_EQ(back == part, same_value);
  }
}

INSTANTIATE_TEST_SUITE_P(AllValues, PartRoundTrip, testing::Range(0, 13));

TEST(PartRoundTrip, StrongerLevelsCompressTextBetter) {
  bytes text;
  for (int i = 0; i < 4000; ++i) {
    const std::string word = "word" + std::to_string(i % 97) + " ";
    text.insert(text.end(), word.begin(), word.end());
  }
  vexal_any_part fast, best;
  fast.set_payload(text);
  best.set_payload(text);
  fast.set_compression(compression::zlib_best_speed);
  best.set_compression(compression::zlib_best_compression);
  EXPECT_LT(best.compose().size(), fast.compose().size());
  EXPECT_LT(fast.compose().size(), text.size() / 2);
}

// ------------------------------------------------------- value semantics

TEST(PartHandle, ConstructorsStoreTheirArguments) {
  const bytes payload = text_bytes("data");
  bytes source = payload;
  const vexal_part_ctx from_move(std::move(source), format::application_2,
                                 compression::zlib_level_4);
  EXPECT_TRUE(source.empty());
  EXPECT_EQ(from_move.get_payload(), payload);
  EXPECT_EQ(from_move.get_format(), format::application_2);
  EXPECT_EQ(from_move.get_compression(), compression::zlib_level_4);

  const vexal_part_ctx with_compression(payload, compression::zlib_level_9);
  EXPECT_EQ(with_compression.get_format(), format::bytes);
  const vexal_part_ctx with_format(payload, raw<format>(99));
  EXPECT_EQ(int(with_format.get_format()), 99);
  EXPECT_EQ(with_format.get_compression(), compression::none);
  EXPECT_EQ(vexal_part_ctx(payload), vexal_part_ctx(bytes(payload)));
}

TEST(PartHandle, CopyIsDeepAndMoveLeavesAUsableEmptySource) {
  vexal_first_part source;
  source.set_payload(text_bytes("payload"));
  source.set_format(format::application_1);
  source.set_compression(compression::zlib_level_2);

  vexal_first_part copy(source);
  EXPECT_TRUE(copy == source);
  copy.set_payload(text_bytes("changed"));
  EXPECT_EQ(source.get_payload(), text_bytes("payload"));

  const uint8_t* buffer = source.get_payload().data();
  vexal_first_part moved(std::move(source));
  EXPECT_EQ(moved.get_payload().data(), buffer);  // taken over, not copied
  EXPECT_TRUE(source.get_payload().empty());
  EXPECT_EQ(source.get_format(), format::application_1);
  EXPECT_EQ(source.get_compression(), compression::zlib_level_2);
  EXPECT_EQ(source.compose().size(), 8u + zlib_stream({}, 2).size());

  vexal_first_part target;
  target = std::move(moved);
  EXPECT_EQ(target.get_payload().data(), buffer);
  EXPECT_EQ(target.get_format(), format::application_1);
  EXPECT_TRUE(moved.get_payload().empty());

  const vexal_first_part& same = target;
  target = same;  // self copy changes nothing
  EXPECT_EQ(target.get_payload(), text_bytes("payload"));
  bytes replacement = text_bytes("new");
  target.set_payload(std::move(replacement));
  EXPECT_TRUE(replacement.empty());
  EXPECT_EQ(target.get_payload(), text_bytes("new"));
}

TEST(PartHandle, HandlesCompareWithoutTypeTypedPartsWithIt) {
  vexal_any_part a, b;
  a.set_type(vexal_part_type::first);
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(static_cast<vexal_part_ctx&>(a) ==
              static_cast<vexal_part_ctx&>(b));
  b.set_type(vexal_part_type::first);
  EXPECT_TRUE(a == b);

  struct {
    void (*change)(vexal_any_part&);
  } const differences[] = {
      {[](vexal_any_part& p) { p.set_format(format::application_1); }},
      {[](vexal_any_part& p) { p.set_compression(compression::zlib_level_6); }},
      {[](vexal_any_part& p) { p.set_payload(text_bytes("payloax")); }},
      {[](vexal_any_part& p) { p.set_payload(text_bytes("payload!")); }},
  };
  for (const auto& d : differences) {
    vexal_any_part x, y;
    x.set_payload(text_bytes("payload"));
    y.set_payload(text_bytes("payload"));
    d.change(y);
    EXPECT_TRUE(x != y);
    EXPECT_FALSE(x == y);
    EXPECT_TRUE(static_cast<vexal_part_ctx&>(x) !=
                static_cast<vexal_part_ctx&>(y));
  }
}

}  // namespace
