// SPDX-License-Identifier: MIT
// The part record behind every `vexal_part_ctx` handle, its 8-byte wire
// header, and the conversions between public values and header codes.
//
// Wire image of one part (the header describes itself in `header`):
//   offset 0  type code         1 byte   1 = type 1, 2 = type 0
//   offset 1  format code       1 byte   3, 2, 1 = format 0, 1, 2
//   offset 2  compression code  1 byte   0 = stored as is, 1 = zlib stream
//   offset 3  reserved          1 byte   0 when written, ignored when read
//   offset 4  stored length L   4 bytes  unsigned, big-endian
//   offset 8  stored bytes      L bytes
//
// The record always holds its payload uncompressed; compression happens on a
// separate buffer while composing and is undone while parsing.
#ifndef VEXAL_SRC_PART_IMPL_HPP
#define VEXAL_SRC_PART_IMPL_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "serialization/byte_order.hpp"
#include "vexal/constants.hpp"
#include "vexal/export.hpp"
#include "vexal/part.hpp"
#include "vexal/payload.hpp"
#include "vexal/serializer.hpp"

namespace kelvo {

namespace detail {
struct failure;
struct part_fields;
}  // namespace detail

class VEXAL_EXPORT vexal_part_ctx::impl : public vexal_serializer {
 public:
  // The fixed 8-byte header in front of every stored payload. It carries its
  // codes and length unchanged and validates nothing: the conversions below
  // refuse invalid codes. `payload_size` holds the length in wire (big-endian)
  // byte order; the record converts it.
  class VEXAL_EXPORT header : public vexal_serializer {
   public:
    // Raw wire codes; any byte value can arrive from the wire.
    enum class type : uint8_t { first = 1, second = 2 };
    enum class format : uint8_t {
      application_2 = 1,
      application_1 = 2,
      bytes = 3,
    };
    enum class compression : uint8_t { stored = 0, zlib = 1 };

    // The layout is the public one (vexal/constants.hpp).
    static constexpr size_t wire_size = vexal_part_header_size;
    static constexpr size_t length_at = vexal_part_length_offset;

    // The fields of the header whose `wire_size` bytes start at `wire`, each
    // read in place: framing a stream needs only the stored length L, and a
    // part parse needs no header object of its own.
    static type type_at(const uint8_t* wire) {
      return static_cast<type>(wire[vexal_part_type_offset]);
    }
    static format format_at(const uint8_t* wire) {
      return static_cast<format>(wire[vexal_part_format_offset]);
    }
    static compression compression_at(const uint8_t* wire) {
      return static_cast<compression>(wire[vexal_part_compression_offset]);
    }
    static uint32_t stored_length(const uint8_t* wire) {
      return detail::stored_length(wire);
    }

    header(type raw_type, format raw_format, compression raw_compression,
           unsigned int payload_size);
    ~header() override;

    // Always `wire_size`, whatever the fields hold.
    size_t size() const;

    type raw_type;
    format raw_format;
    compression raw_compression;
    uint32_t payload_size;
    uint8_t reserved;

   private:
    void compose_impl(std::vector<uint8_t>& out) const override;
    size_t parse_impl(const std::vector<uint8_t>& data, size_t offset) override;
  };
  static_assert(header::wire_size == vexal_part_header_size);
  static_assert(header::length_at + sizeof(uint32_t) == header::wire_size);

  impl(const std::vector<uint8_t>& payload, vexal_part_type type,
       vexal_part_payload::format format,
       vexal_part_payload::compression compression);
  impl(std::vector<uint8_t>&& payload, vexal_part_type type,
       vexal_part_payload::format format,
       vexal_part_payload::compression compression);
  ~impl() override;

  // The part parse, refusing through `f` instead of throwing, with the
  // payload inflated up to `max_payload` bytes: the serializer's
  // `parse_impl` is this without a bound, and a throw of what it refuses.
  // Reads the `size` bytes at `data`. Throws std::bad_alloc only.
  size_t parse_part(const uint8_t* data, size_t size, size_t offset,
                    size_t max_payload, detail::failure& f);

  // The record's type, format and compression, as composing reads them.
  detail::part_fields fields() const noexcept;

  // Field-by-field equality, stopping at the first difference; payload bytes
  // are compared last and only when both sizes match.
  bool is_equal(const impl& other, bool ignore_type) const;

  // Public value -> header code, and back; each refuses values outside its
  // table with its fixed message.
  static header::type from_type(vexal_part_type type);
  static vexal_part_type to_type(header::type code);
  static header::format from_format(vexal_part_payload::format format);
  static vexal_part_payload::format to_format(header::format code);
  static header::compression from_compression(
      vexal_part_payload::compression compression);
  static vexal_part_payload::compression to_compression(
      header::compression code);
  // The zlib level used to compose a part (0 for `none`).
  static int32_t to_zlib_compression_level(
      vexal_part_payload::compression compression);

  vexal_part_type type;
  vexal_part_payload::format format;
  vexal_part_payload::compression compression;
  std::vector<uint8_t> payload;

 private:
  void compose_impl(std::vector<uint8_t>& out) const override;
  size_t parse_impl(const std::vector<uint8_t>& data, size_t offset) override;
};

}  // namespace kelvo

#endif  // VEXAL_SRC_PART_IMPL_HPP
