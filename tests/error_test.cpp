// SPDX-License-Identifier: MIT
// Every fixed text of the library against its error code: the throwing API
// throws the text, the forms that take a std::error_code set the code and
// leave things as the throwing form does, and the stream reader names the
// code, the text and the stream offset of the field at fault.
#include "vexal/error.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

#include "test_support.hpp"
#include "vexal/part_header.hpp"
#include "vexal/reader.hpp"

namespace {

using namespace kelvo;
using namespace vexal_test;
using vexal_part_payload::compression;

// The shared table of good and refused messages (tests/data/messages.txt):
// each form of the parse within limits, the view and the stream reader say
// the same, with the code, the text and the offset of the field at fault.
TEST(Errors, EveryParseReadsTheSharedTableOfMessages) {
  using status = vexal_reader::status;
  const std::pair<const char*, status> statuses[] = {
      {"OK", status::message},
      {"NEED_MORE", status::need_more},
      {"MALFORMED", status::malformed},
      {"MESSAGE_TOO_LONG", status::message_too_long},
      {"PAYLOAD_TOO_LONG", status::payload_too_long}};
  const auto rows = message_rows();
  EXPECT_GE(rows.size(), 20u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const bool read = row.status == "OK";
    const bool refused = row.code != vexal_errc{};
    const bytes& data = row.data;
    // C alone refuses an offset past the end; the parse returns it.
    const std::string result =
        row.status == "INVALID_ARGUMENT" || row.status == "NEED_MORE"
            ? std::to_string(row.offset)
        : read ? std::to_string(row.end)
               : row.text;
    vexal message;
    EXPECT_EQ(parse_result(message, data, row.offset, row.limits), result);
    if (row.status == "INVALID_ARGUMENT") continue;
    // The code's message is the text without its numbers.
    if (refused) {
      EXPECT_EQ(row.text.rfind(make_error_code(row.code).message(), 0), 0u);
    }

    vexal_failure failure;
    vexal quiet;
    EXPECT_EQ(
        quiet.parse(data.data(), data.size(), row.offset, row.limits, failure),
        read ? row.end : row.offset);
    EXPECT_EQ(failure.code(), row.code);
    EXPECT_EQ(failure.offset(), row.at);
    EXPECT_EQ(failure.message(), row.text);
    std::error_code ec = make_error_code(vexal_errc::out_of_memory);
    EXPECT_EQ(quiet.parse(data, row.offset, row.limits, ec),
              read ? row.end : row.offset);
    EXPECT_EQ(ec.value(), int(row.code));
    EXPECT_TRUE(!refused || ec.category() == vexal_category());

    // A view refuses a zlib stream only from the payload of its part, which
    // is the part whose stored bytes start at the field at fault.
    vexal_view view;
    const size_t end =
        view.parse(data.data(), data.size(), row.offset, row.limits, failure);
    const vexal_part_view* at_fault = nullptr;
    if (refused && !failure) {
      for (const auto* part : {&view.first(), &view.second()}) {
        if (part->stored_data() == data.data() + row.at) at_fault = part;
      }
      ASSERT_NE(at_fault, nullptr);
      EXPECT_EQ(end, row.offset + view.size());
      bytes out = hex("01");
      at_fault->payload_into(out, row.limits, failure);
      EXPECT_TRUE(out.empty());
    } else {
      EXPECT_EQ(end, read ? row.end : row.offset);
    }
    EXPECT_EQ(failure.code(), row.code);
    EXPECT_EQ(failure.message(), row.text);
    // A refusal leaves the message alone, but for the second part when its
    // own payload is refused.
    if (refused) {
      EXPECT_TRUE(quiet.first() == vexal().first());
      EXPECT_EQ(quiet == vexal(), at_fault != &view.second());
    }

    // The reader, fed the message alone, counts offsets in its stream.
    vexal_reader reader(row.limits);
    reader.feed(data.data() + row.offset, data.size() - row.offset);
    const status got = reader.try_next(message);
    const auto wanted =
        std::find_if(std::begin(statuses), std::end(statuses),
                     [&row](const auto& s) { return row.status == s.first; });
    ASSERT_NE(wanted, std::end(statuses));
    EXPECT_EQ(got, wanted->second);
    EXPECT_EQ(reader.failure().code(), row.code);
    EXPECT_EQ(reader.error(), row.text);
    EXPECT_EQ(reader.error_offset(),
              refused ? row.at - row.offset : reader.offset());
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
