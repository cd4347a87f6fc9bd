// SPDX-License-Identifier: MIT
// The message subsystem: typed parts, whose type follows from their place,
// and the two-part message with its exact bytes, its all-or-nothing parse and
// its value semantics.
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "vexal/vexal.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_any_part;
using kelvo::vexal_first_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using kelvo::vexal_second_part;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;
using vexal_test::bytes;
using vexal_test::hex;
using vexal_test::make_message;
using vexal_test::noise;
using vexal_test::text_bytes;

const bytes default_message =
    hex("01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00");

// A message whose parse must leave it exactly as it was.
vexal sentinel() {
  return make_message(text_bytes("one"), compression::none, text_bytes("two"),
                      compression::none, format::application_2);
}

TEST(Message, ComposesTheExampleBytes) {
  EXPECT_EQ(vexal(vexal_first_part(), vexal_second_part()).compose(),
            default_message);
  vexal m;
  m.first().set_payload(hex("aa bb"));
  bytes out = {0x55};
  m.compose(out);
  EXPECT_EQ(out,
            hex("55 01 03 00 00 00 00 00 02 aa bb 02 03 00 00 00 00 00 00"));
}

TEST(Message, ParsesTheExampleAndTakesTypesFromThePlace) {
  const bytes swapped = hex("02 03 00 00 00 00 00 00 01 03 00 00 00 00 00 00");
  for (const bytes& data : {default_message, swapped}) {
    vexal m = sentinel();
    EXPECT_EQ(m.parse(data, 0), 16u);
    EXPECT_EQ(m.compose(), default_message);
  }
}

TEST(Message, ParsesAtAnOffsetWithoutReadingFurther) {
  const vexal original =
      make_message(noise(300), compression::zlib_level_7, text_bytes("tail"),
                   compression::none, format::bytes);
  bytes data(5, 0xEE);
  original.compose(data);
  const size_t end = data.size();
  data.insert(data.end(), {0xFF, 0xFF, 0xFF});
  vexal m;
  EXPECT_EQ(m.parse(data, 5), end);
  EXPECT_EQ(m.first().get_payload(), noise(300));
  EXPECT_EQ(m.second().get_payload(), text_bytes("tail"));
  EXPECT_EQ(m.first().get_compression(), compression::zlib_default);
}

TEST(Message, MalformedFirstPartLeavesTheMessageUnchanged) {
  const bytes inputs[] = {
      hex("05 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00"),
      hex("01 07 00 00 00 00 00 00 02 03 00 00 00 00 00 00"),
      hex("01 03 01 00 00 00 00 01 00 02 03 00 00 00 00 00 00"),
  };
  const char* messages[] = {"Unknown vexal type (raw)",
                            "Unknown vexal format (raw)",
                            "Failed zlib::inflate [-5]: "};
  for (size_t i = 0; i < 3; ++i) {
    vexal m = sentinel();
    EXPECT_THROW_MSG(m.parse(inputs[i], 0), messages[i]);
    EXPECT_TRUE(m == sentinel());
  }
}

TEST(Message, MalformedSecondPartKeepsTheFirstPart) {
  vexal m = sentinel();
  EXPECT_THROW_MSG(
      m.parse(hex("01 03 00 00 00 00 00 01 aa 02 03 05 00 00 00 00 00"), 0),
      "Unknown vexal compression (raw)");
  EXPECT_EQ(m.first().get_payload(), text_bytes("one"));
  EXPECT_EQ(m.second().get_payload(), text_bytes("two"));
  EXPECT_EQ(m.second().get_format(), format::bytes);  // already replaced
}

TEST(Message, FailedSecondPartLeavesTheFirstPartComposed) {
  vexal m = make_message(hex("aa"), compression::none, {}, compression::none,
                         format::bytes);
  m.second().set_format(static_cast<format>(3));
  bytes out = {0x42};
  EXPECT_THROW_MSG(m.compose(out), "Unknown vexal format");
  EXPECT_EQ(out, hex("42 01 03 00 00 00 00 00 01 aa"));

  m.second().set_format(format::bytes);
  // A failure in the first part leaves even the capacity of `out` alone.
  m.first().set_format(static_cast<format>(-4));
  bytes small = {0x42};
  const uint8_t* const buffer = small.data();
  EXPECT_THROW_MSG(m.compose(small), "Unknown vexal format");
  EXPECT_EQ(small, hex("42"));
  EXPECT_EQ(small.data(), buffer);
  EXPECT_EQ(small.capacity(), 1u);
}

TEST(Message, EqualityLooksAtEveryPart) {
  const vexal a = sentinel();
  EXPECT_TRUE(a == sentinel());
  EXPECT_FALSE(a != sentinel());
  const vexal differs[] = {
      make_message(text_bytes("one"), compression::none, text_bytes("twO"),
                   compression::none, format::application_2),
      make_message(text_bytes("onE"), compression::none, text_bytes("two"),
                   compression::none, format::application_2),
      make_message(text_bytes("one"), compression::none, text_bytes("two"),
                   compression::zlib_level_1, format::application_2),
  };
  for (const auto& b : differs) {
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
  }
}

TEST(Message, ConstructorsCopyOrMoveEachPart) {
  vexal_first_part first;
  first.set_payload(text_bytes("first"));
  vexal_second_part second;
  second.set_payload(text_bytes("second"));

  const vexal copied(first, second);
  EXPECT_EQ(first.get_payload(), text_bytes("first"));
  const vexal mixed_a(first, std::move(second));
  EXPECT_TRUE(second.get_payload().empty());
  EXPECT_EQ(mixed_a.second().get_payload(), text_bytes("second"));
  const vexal mixed_b(std::move(first), mixed_a.second());
  EXPECT_TRUE(first.get_payload().empty());
  EXPECT_TRUE(mixed_b == copied);

  vexal moved(std::move(const_cast<vexal&>(mixed_b)));
  EXPECT_TRUE(moved == copied);
  vexal assigned;
  assigned = copied;
  EXPECT_TRUE(assigned == copied);
  assigned = vexal();
  EXPECT_EQ(assigned.compose(), default_message);
}

// ------------------------------------------------------------ typed parts

TEST(TypedPart, TypeFollowsThePlace) {
  const bytes type0_part = hex("02 03 00 00 00 00 00 01 aa");
  const bytes type1_part = hex("01 03 00 00 00 00 00 01 aa");
  vexal_first_part first;
  EXPECT_EQ(first.parse(type0_part, 0), 9u);
  EXPECT_EQ(first.compose(), type1_part);
  vexal_second_part second;
  EXPECT_EQ(second.parse(type1_part, 0), 9u);
  EXPECT_EQ(second.compose(), type0_part);
  vexal_any_part any;
  EXPECT_EQ(any.parse(type0_part, 0), 9u);
  EXPECT_EQ(any.get_type(), vexal_part_type::second);

  // Assigning through the base copies the other type; init() restores T.
  static_cast<vexal_part_ctx&>(first) = second;
  EXPECT_EQ(first.compose()[0], 2);
  first.init();
  EXPECT_EQ(first.compose()[0], 1);

  // A parse that threw leaves the wire's type until init() or a later parse.
  EXPECT_THROW_MSG(first.parse(hex("02 09 00 00 00 00 00 00"), 0),
                   "Unknown vexal format (raw)");
  EXPECT_EQ(first.compose()[0], 2);
  EXPECT_EQ(first.parse(bytes(3), 0), 0u);
  EXPECT_EQ(first.compose()[0], 1);
}

TEST(AnyPart, TypeIsChosenAtRunTime) {
  vexal_any_part part;
  EXPECT_EQ(part.get_type(), vexal_part_type::second);
  part.set_type(static_cast<vexal_part_type>(7));
  EXPECT_EQ(int(part.get_type()), 7);
  bytes out;
  EXPECT_THROW_MSG(part.compose(out), "Unknown vexal type");
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(part.parse(hex("01 03 00 00 00 00 00 00"), 0), 8u);
  EXPECT_EQ(part.get_type(), vexal_part_type::first);
  vexal_any_part copy(part);
  EXPECT_EQ(copy.get_type(), vexal_part_type::first);
  part.set_default_type();
  EXPECT_EQ(part.get_type(), vexal_part_type::second);
  vexal_any_part moved(std::move(copy));
  EXPECT_EQ(moved.get_type(), vexal_part_type::first);
}

}  // namespace
