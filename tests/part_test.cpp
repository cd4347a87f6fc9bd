// SPDX-License-Identifier: MIT
// The part subsystem: a part's wire image, its parse of every kind of input,
// its round trip at every compression, and its equality.
#include <gtest/gtest.h>

#include <type_traits>

#include "part/impl.hpp"
#include "test_support.hpp"

namespace {

using kelvo::vexal_any_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using impl = kelvo::vexal_part_ctx::impl;
using namespace vexal_test;

TEST(Part, ComposesTheExampleOrAppendsNothing) {
  vexal_any_part abc;
  abc.set_type(vexal_part_type::first);
  abc.set_format(format::application_2);
  abc.set_payload(hex("61 62 63"));
  bytes out = hex("de ad");
  abc.compose(out);
  EXPECT_EQ(out, hex("de ad 01 01 00 00 00 00 00 03 61 62 63"));
  EXPECT_EQ(vexal_any_part().compose(), hex("02 03 00 00 00 00 00 00"));
  // Checks run in a fixed order: compression, then type, then format.
  const struct {
    int type, fmt, comp;
    const char* message;
  } failures[] = {
      {5, 9, 13, "Unknown vexal compression"},
      {5, 9, -1, "Unknown vexal compression"},
      {2, 9, 0, "Unknown vexal type"},
      {-1, 9, 1, "Unknown vexal type"},
      {1, 3, 0, "Unknown vexal format"},
      {1, -1, 0, "Unknown vexal format"},
      {0, 7, 12, "Unknown vexal format"},
  };
  for (const auto& f : failures) {
    abc.set_type(vexal_part_type(f.type));
    abc.set_format(format(f.fmt));
    abc.set_compression(compression(f.comp));
    bytes kept = out;
    EXPECT_THROW_MSG(abc.compose(kept), f.message);
    EXPECT_THROW_MSG(abc.compose_header(kept, 0), f.message);
    EXPECT_EQ(kept, out);
  }
  // A header alone checks the count it announces against the 4-byte field.
  abc.set_format(format::bytes);
  bytes kept = out;
  EXPECT_THROW_MSG(abc.compose_header(kept, kelvo::vexal_max_stored_size + 1),
                   "vexal parts payload is too long");
  abc.compose_header(kept, kelvo::vexal_max_stored_size);
  EXPECT_EQ(kept, cat(out, hex("02 03 01 00 ff ff ff ff")));
}

// Each input is parsed at `offset` into a part holding "0 1 6 ee" (type 0,
// then `state()`): the parse returns or throws `result` and leaves the part
// as `after`. Fields are replaced one by one as their codes convert; a
// zlib failure leaves the stored bytes in the payload.
TEST(Part, ParsesEveryKindOfInput) {
  const bytes full = deflated(bytes(100, 'z'), 6);
  const bytes cut(full.begin(), full.end() - 1);
  const bytes hello = wire_part(2, 3, 1, cat(deflated(hex("68 69"), 9), cut));
  const std::string before = "0 1 6 ee";
  const struct {
    bytes input;
    size_t offset;
    std::string result, after;
  } cases[] = {
      {hex("01 01 00 00 00 00 00 03 61 62 63 ff"), 0, "11", "1 2 0 616263"},
      {hex("ee 01 01 00 00 00 00 00 03 61 62 63"), 1, "12", "1 2 0 616263"},
      {hex("02 02 00 ab 00 00 00 00"), 0, "8", "0 1 0 "},
      {hello, 0, std::to_string(hello.size()), "0 0 1 6869"},
      // Too few bytes: nothing changes.
      {hex("01 01 00 00 00 00 00"), 0, "0", before},
      {hex("01 01 00 00 00 00 00 04 61 62 63"), 0, "0", before},
      {hex("01 01 00 00 ff ff ff ff"), 0, "0", before},
      {hex("01 01 00 00 00 00 00 00"), 1, "1", before},
      {hex("01 01 00"), 7, "7", before},
      {hex("01 01 00"), SIZE_MAX, std::to_string(SIZE_MAX), before},
      // Malformed parts.
      {wire_part(0, 3, 0, {}), 0, "Unknown vexal type (raw)", before},
      {wire_part(3, 3, 0, {}), 0, "Unknown vexal type (raw)", before},
      {wire_part(1, 0, 0, {}), 0, "Unknown vexal format (raw)", "1 1 6 ee"},
      {wire_part(1, 4, 0, {}), 0, "Unknown vexal format (raw)", "1 1 6 ee"},
      {wire_part(2, 1, 2, {}), 0, "Unknown vexal compression (raw)",
       "0 2 6 ee"},
      {wire_part(1, 3, 1, {}), 0, "Failed zlib::inflate [-5]: ", "1 0 1 "},
      {wire_part(1, 3, 1, cut), 0,
       "Failed zlib::inflate [-5]: ", "1 0 1 " + to_hex(cut)},
      {wire_part(1, 3, 1, hex("78 bb 00 00 00 01")), 0,
       "Failed zlib::inflate [2]: ", "1 0 1 78bb00000001"},
      {wire_part(1, 3, 1, hex("1f 8b 08 00")), 0,
       "Failed zlib::inflate [-3]: incorrect header check", "1 0 1 1f8b0800"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(to_hex(c.input));
    vexal_any_part part;
    part.set_format(format::application_1);
    part.set_compression(compression::zlib_level_3);
    part.set_payload(hex("ee"));
    EXPECT_EQ(parse_result(part, c.input, c.offset), c.result);
    EXPECT_EQ(std::to_string(int(part.get_type())) + " " + state(part),
              c.after);
  }
}

// The header on its own reads its eight bytes at any offset. Given fewer, it
// reads them field by field, and the first field missing throws after the
// fields before it were replaced.
TEST(PartHeader, ParsesAtAnOffsetOrFieldByField) {
  using header = impl::header;
  header head(header::type::second, header::format::bytes,
              header::compression::stored, 0);
  EXPECT_EQ(head.parse(hex("ee 01 02 01 00 00 00 01 09"), 1), 9u);
  EXPECT_EQ(head.compose(), hex("01 02 01 00 00 00 01 09"));
  EXPECT_THROW_MSG(
      head.parse(hex("02 03 00 07 00 00"), 0),
      "Can't unpack element: Input too short [2] at [4] expected [4]");
  EXPECT_EQ(head.compose(), hex("02 03 00 07 00 00 01 09"));
}

// Each compression value asks zlib for its level; the wire keeps only
// whether a part is compressed. The code conversions go each way.
TEST(Part, EveryCompressionRoundTrips) {
  const int levels[] = {0, -1, 1, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (int value = 0; value < 13; ++value) {
    EXPECT_EQ(impl::to_zlib_compression_level(compression(value)),
              levels[value]);
    EXPECT_EQ(
        int(impl::to_compression(impl::from_compression(compression(value)))),
        value == 0 ? 0 : 1);
    EXPECT_EQ(int(impl::to_format(impl::from_format(format(value % 3)))),
              value % 3);
    EXPECT_EQ(int(impl::to_type(impl::from_type(vexal_part_type(value % 2)))),
              value % 2);
    vexal_any_part part(noise(70000), compression(value));
    vexal_any_part back;
    const bytes wire = part.compose();
    // Its header alone, then its stored bytes, make the same part.
    bytes built;
    part.compose_header(built, wire.size() - kelvo::vexal_part_header_size);
    built.insert(built.end(), wire.begin() + 8, wire.end());
    EXPECT_EQ(built, wire);
    EXPECT_EQ(back.parse(wire, 0), wire.size());
    EXPECT_EQ(back.get_payload(), part.get_payload());
    EXPECT_EQ(int(back.get_compression()), value == 0 ? 0 : 1);
  }
}

// Handles compare format, compression and payload; typed and any parts also
// compare the type. Copies and moves take every field, the type included,
// which is reset on request.
TEST(Part, EqualityLooksAtEveryField) {
  void (*const changes[])(vexal_any_part&) = {
      [](vexal_any_part& p) { p.set_type(vexal_part_type::first); },
      [](vexal_any_part& p) { p.set_format(format::application_1); },
      [](vexal_any_part& p) { p.set_compression(compression::zlib_level_6); },
      [](vexal_any_part& p) { p.set_payload(hex("61 62 78")); },
      [](vexal_any_part& p) { p.set_payload(hex("61 62 63 64")); },
  };
  vexal_any_part x;
  x.set_payload(hex("61 62 63"));
  for (auto change : changes) {
    vexal_any_part y = x;
    EXPECT_TRUE(x == y && !(x != y));
    change(y);
    EXPECT_TRUE(x != y && !(x == y));
    vexal_any_part copy;
    copy = y;
    vexal_any_part moved;
    moved = std::move(copy);
    EXPECT_TRUE(moved == y && vexal_any_part(std::move(moved)) == y);
    const bool type_only = change == changes[0];
    const vexal_part_ctx& handle = x;
    EXPECT_EQ(handle == y, type_only);
    EXPECT_EQ(handle != y, !type_only);
  }
  x.set_type(vexal_part_type::first);
  x.set_default_type();
  EXPECT_EQ(x.get_type(), vexal_part_type::second);
}

// Every payload constructor stores its arguments, copied or moved.
template <typename T>
void expect_constructors_store_their_arguments() {
  const bytes p = hex("61");
  const format f = format::application_2;
  const compression c = compression::zlib_level_4;
  const T parts[] = {T(p),    T(bytes(p)),    T(p, f),    T(bytes(p), f),
                     T(p, c), T(bytes(p), c), T(p, f, c), T(bytes(p), f, c)};
  const char* states[] = {"0 0 61", "0 0 61", "2 0 61", "2 0 61",
                          "0 7 61", "0 7 61", "2 7 61", "2 7 61"};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(state(parts[i]), states[i]);
    if constexpr (std::is_same_v<T, kelvo::vexal_first_part>) {
      EXPECT_EQ(parts[i].compose()[0], 1);  // the type code of type 1
    }
  }
}

TEST(Part, ConstructorsStoreTheirArguments) {
  expect_constructors_store_their_arguments<vexal_part_ctx>();
  expect_constructors_store_their_arguments<vexal_any_part>();
  expect_constructors_store_their_arguments<kelvo::vexal_first_part>();
  EXPECT_EQ(kelvo::vexal_second_part(hex("61"), format::bytes).compose()[0], 2);
  const bytes payload = hex("61");
  const vexal_any_part typed(vexal_part_type::first, payload,
                             format::application_2);
  EXPECT_EQ(typed.get_type(), vexal_part_type::first);
  EXPECT_EQ(state(typed), "2 0 61");
  EXPECT_EQ(vexal_any_part(vexal_part_type::first, bytes{}).get_type(),
            vexal_part_type::first);
}

}  // namespace
