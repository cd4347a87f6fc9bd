// SPDX-License-Identifier: MIT
// Every fixed text of the library against its error code: the throwing API
// throws the text, the forms that take a std::error_code set the code and
// leave things as the throwing form does, and the stream reader names the
// code, the text and the stream offset of the field at fault.
#include "vexal/error.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "test_support.hpp"
#include "vexal/part_header.hpp"
#include "vexal/reader.hpp"

namespace {

using namespace kelvo;
using namespace vexal_test;
using vexal_part_payload::compression;

// Refusals of bytes: what each parse within limits says, and where.
TEST(Errors, RefusalsOfBytesCarryTheirCodeTextAndPosition) {
  const bytes good = wire_part(1, 3, 0, hex("aa"));
  const bytes zlib_bad = wire_part(2, 3, 1, hex("78 9c ff"));
  const bytes inflating = wire_part(2, 3, 1, deflated(bytes(5000, 'a'), 6));
  const vexal_limits none = vexal_limits::unlimited();
  const struct {
    bytes data;
    vexal_limits limits;
    vexal_errc code;
    const char* text;  // a prefix, for zlib's texts
    uint64_t at;       // the field at fault, from the message's start
  } rows[] = {
      // A first header alone decides: nothing else need be there.
      {hex("09 03 00 00 03 c0 00 00"), none, vexal_errc::unknown_type_code,
       "Unknown vexal type (raw)", 0},
      {hex("01 04 00 00 00 00 00 00"), none, vexal_errc::unknown_format_code,
       "Unknown vexal format (raw)", 1},
      {hex("01 03 02 00 00 00 00 00"), none,
       vexal_errc::unknown_compression_code, "Unknown vexal compression (raw)",
       2},
      {hex("01 03 00 00 00 00 00 20"),
       {47, 100},
       vexal_errc::message_too_long,
       "vexal message too long",
       4},
      {hex("01 03 00 00 00 00 00 20"),
       {100, 31},
       vexal_errc::payload_too_long,
       "vexal payload too long",
       4},
      // The second header, once the first has passed.
      {cat(good, hex("02 03 05 00 00 00 00 00")), none,
       vexal_errc::unknown_compression_code, "Unknown vexal compression (raw)",
       11},
      {cat(good, hex("02 03 00 00 00 00 00 20")),
       {40, 100},
       vexal_errc::message_too_long,
       "vexal message too long",
       13},
      // The payloads, once the whole message is there.
      {cat(good, zlib_bad), none, vexal_errc::zlib_failed,
       "Failed zlib::inflate [-3]: ", 17},
      {cat(good, inflating),
       {100000, 4999},
       vexal_errc::payload_too_long,
       "vexal payload too long",
       17},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(to_hex(row.data));
    // The code's message is the text without its numbers.
    EXPECT_EQ(
        std::string(row.text).rfind(make_error_code(row.code).message(), 0),
        0u);
    const bytes data = cat(hex("ee ee"), row.data);
    vexal message;
    const std::string thrown = parse_result(message, data, 2, row.limits);
    EXPECT_EQ(thrown.rfind(row.text, 0), 0u) << thrown;

    std::error_code ec = make_error_code(vexal_errc::out_of_memory);
    vexal quiet;
    EXPECT_EQ(quiet.parse(data, 2, row.limits, ec), 2u);
    EXPECT_EQ(ec, row.code);
    // A header refusal changes nothing; a payload's leaves the first part
    // alone and the second as its own parse left it.
    const bool payload_refused = row.at == 17;
    EXPECT_TRUE(quiet.first() == vexal().first());
    EXPECT_EQ(quiet == vexal(), !payload_refused);

    vexal_view view;
    const size_t end = view.parse(data, 2, row.limits, ec);
    if (payload_refused) {
      // A view leaves the zlib stream to its payload.
      EXPECT_TRUE(!ec && end == data.size());
      bytes out = hex("01");
      view.second().payload_into(out, row.limits, ec);
      EXPECT_TRUE(out.empty());
    } else {
      EXPECT_EQ(end, 2u);
    }
    EXPECT_EQ(ec, row.code);

    vexal_reader reader(row.limits);
    reader.feed(row.data);
    EXPECT_NE(reader.try_next(message), vexal_reader::status::message);
    EXPECT_EQ(reader.error_code(), row.code);
    EXPECT_EQ(reader.error().rfind(row.text, 0), 0u);
    EXPECT_EQ(reader.error_offset(), row.at);
  }
}

// Refusals of values, when composing, and the header reader's.
TEST(Errors, RefusalsOfValuesCarryTheirCodeAndText) {
  const auto part = [](int type, int format, int how) {
    vexal_any_part p;
    p.set_type(vexal_part_type(type));
    p.set_format(vexal_part_payload::format(format));
    p.set_compression(compression(how));
    return p;
  };
  const struct {
    vexal_any_part part;
    size_t stored;
    vexal_errc code;
  } rows[] = {
      {part(2, 0, 0), 0, vexal_errc::unknown_type},
      {part(0, 3, 0), 0, vexal_errc::unknown_format},
      {part(0, 0, 13), 0, vexal_errc::unknown_compression},
      {part(0, 0, 0), vexal_max_stored_size + 1,
       vexal_errc::parts_payload_too_long},
  };
  for (const auto& row : rows) {
    bytes out;
    EXPECT_THROW_MSG(row.part.compose_header(out, row.stored),
                     make_error_code(row.code).message());
    EXPECT_TRUE(out.empty());
    if (row.stored != 0 || row.part.get_type() != vexal_part_type::second) {
      continue;  // a message's second part has type 0 and a real payload
    }
    // A message whose second part is refused: the first stays appended.
    vexal message;
    message.second().set_format(row.part.get_format());
    message.second().set_compression(row.part.get_compression());
    std::error_code ec;
    message.compose(out, ec);
    EXPECT_EQ(ec, row.code);
    EXPECT_EQ(out, vexal_first_part().compose());
    EXPECT_EQ(message.raw_headers(ec), (std::array<uint8_t, 16>{}));
    EXPECT_EQ(ec, row.code);
  }
  const struct {
    const char* header;
    vexal_errc code;
    int type, format, how;
  } headers[] = {
      {"01 01 01 ff 00 00 01 00", vexal_errc{}, 1, 2, 1},
      {"02 07 01 00 00 00 00 00", vexal_errc::unknown_format_code, 0, 0, 0},
      {"01 02 09 00 00 00 00 00", vexal_errc::unknown_compression_code, 1, 1,
       0},
      {"00 02 09 00 00 00 00 00", vexal_errc::unknown_type_code, 0, 0, 0},
  };
  for (const auto& row : headers) {
    const vexal_header_fields fields =
        decode_part_header(hex(row.header).data());
    EXPECT_EQ(fields.error.value(), int(row.code)) << row.header;
    EXPECT_TRUE(!fields.error || fields.error.category() == vexal_category());
    EXPECT_EQ(int(fields.type), row.type);
    EXPECT_EQ(int(fields.format), row.format);
    EXPECT_EQ(int(fields.compression), row.how);
  }
  EXPECT_EQ(decode_part_header(hex(headers[0].header).data()).stored_size,
            256u);
  EXPECT_STREQ(vexal_category().name(), "vexal");
  for (int outside : {int(vexal_errc::compressed_part) + 1, -1}) {
    EXPECT_EQ(std::error_code(outside, vexal_category()).message(),
              "unknown vexal error");
  }
  EXPECT_EQ(std::error_code(0, vexal_category()).message(), "success");
}

}  // namespace
