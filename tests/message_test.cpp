// The two-part message: its exact bytes, the all-or-nothing parse, streams of
// messages back to back, and value semantics.
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "vexal/vexal.hpp"

namespace {

using kelvo::vexal;
using kelvo::vexal_first_part;
using kelvo::vexal_second_part;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;
using vexal_test::bytes;
using vexal_test::hex;
using vexal_test::noise;
using vexal_test::text_bytes;

const bytes default_message =
    hex("01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00");

vexal make_message(const bytes& first_payload, const bytes& second_payload,
                   compression first_compression = compression::none,
                   compression second_compression = compression::none) {
  vexal_first_part first;
  first.set_payload(first_payload);
  first.set_compression(first_compression);
  vexal_second_part second;
  second.set_payload(second_payload);
  second.set_compression(second_compression);
  second.set_format(format::application_2);
  return vexal(std::move(first), std::move(second));
}

// A message whose parse must leave it exactly as it was.
vexal sentinel() { return make_message(text_bytes("one"), text_bytes("two")); }

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

TEST(Message, IncompleteInputReturnsTheStartAndChangesNothing) {
  const bytes whole = sentinel().compose();
  // Cut after the first part's header, inside its payload, after the whole
  // first part, and inside the second header.
  for (size_t cut : {size_t{0}, size_t{7}, size_t{8}, size_t{10}, size_t{11},
                     size_t{15}, whole.size() - 1}) {
    const bytes data(whole.begin(), whole.begin() + cut);
    vexal m = make_message(text_bytes("keep"), text_bytes("me"));
    const vexal before = m;
    EXPECT_EQ(m.parse(data, 0), 0u) << cut;
    EXPECT_TRUE(m == before) << cut;
  }
  vexal m;
  EXPECT_EQ(m.parse(whole, whole.size()), whole.size());
  EXPECT_EQ(m.parse(whole, whole.size() + 9), whole.size() + 9);
}

TEST(Message, ParsesAtAnOffsetWithoutReadingFurther) {
  const vexal original =
      make_message(noise(300), text_bytes("tail"), compression::zlib_level_7);
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

TEST(Message, ParsesMessagesBackToBack) {
  std::vector<vexal> messages;
  bytes stream;
  for (int i = 0; i < 6; ++i) {
    messages.push_back(
        make_message(noise(static_cast<size_t>(i) * 20000, i),
                     text_bytes(std::string(i, 'q')),
                     i % 2 ? compression::zlib_default : compression::none,
                     compression::none));
    messages.back().compose(stream);
  }
  size_t offset = 0;
  vexal m;
  for (const auto& expected : messages) {
    const size_t next = m.parse(stream, offset);
    ASSERT_GT(next, offset);
    EXPECT_EQ(m.first().get_payload(), expected.first().get_payload());
    EXPECT_EQ(m.second(), expected.second());
    offset = next;
  }
  EXPECT_EQ(offset, stream.size());
  EXPECT_EQ(m.parse(stream, offset), offset);
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
  vexal m = make_message(hex("aa"), {});
  m.second().set_format(static_cast<format>(3));
  bytes out = {0x42};
  EXPECT_THROW_MSG(m.compose(out), "Unknown vexal format");
  EXPECT_EQ(out, hex("42 01 03 00 00 00 00 00 01 aa"));

  m.second().set_format(format::bytes);
  m.first().set_compression(static_cast<compression>(-4));
  out = {0x42};
  EXPECT_THROW_MSG(m.compose(out), "Unknown vexal compression");
  EXPECT_EQ(out, hex("42"));
}

TEST(Message, EqualityLooksAtEveryPart) {
  const vexal a = sentinel();
  EXPECT_TRUE(a == sentinel());
  EXPECT_FALSE(a != sentinel());
  const vexal differs[] = {
      make_message(text_bytes("one"), text_bytes("twO")),
      make_message(text_bytes("onE"), text_bytes("two")),
      make_message(text_bytes("one"), text_bytes("two"), compression::none,
                   compression::zlib_level_1),
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

}  // namespace
