// SPDX-License-Identifier: MIT
// Walks a message's fields in wire order and writes a line for each: the
// header fields one by one, then the stored bytes, for the type-1 part and
// then the type-0 part.
#include "hex_dump.hpp"

#include <algorithm>
#include <array>
#include <iomanip>
#include <sstream>
#include <vexal/part_header.hpp>

#include "report.hpp"

namespace kelvo::tool {
namespace {

// The fields of a part, in wire order.
enum class field { type, format, compression, reserved, length, stored };

constexpr size_t line_bytes = 16;
constexpr size_t shown_lines = 2;  // at each end of a long part
constexpr std::array<const char*, 2> part_names = {"type-1 part",
                                                   "type-0 part"};

// Whether `code` can be a refusal of a field of kind `which`. The position
// alone is not enough: the stored bytes of an empty part start where the
// next header's type code is.
bool refuses(field which, std::error_code code) {
  switch (which) {
    case field::type: return code == vexal_errc::unknown_type_code;
    case field::format: return code == vexal_errc::unknown_format_code;
    case field::compression:
      return code == vexal_errc::unknown_compression_code;
    case field::reserved: return false;
    case field::length:
      return code == vexal_errc::message_too_long ||
             code == vexal_errc::payload_too_long;
    case field::stored:
      return code == vexal_errc::payload_too_long ||
             code == vexal_errc::zlib_failed;
  }
  return false;
}

// What a header code stands for. The parse reads the codes in wire order
// and stops at the first it refuses (`fields.error`), so the codes after
// that one have not been looked at.
std::string code_meaning(const vexal_header_fields& fields, field which) {
  constexpr std::array<vexal_errc, 3> refusals = {
      vexal_errc::unknown_type_code, vexal_errc::unknown_format_code,
      vexal_errc::unknown_compression_code};
  constexpr std::array<const char*, 3> names = {"type", "format",
                                                "compression"};
  const auto rank = static_cast<size_t>(which);
  for (size_t earlier = 0; earlier < rank; ++earlier) {
    if (fields.error == refusals[earlier]) return "not looked at";
  }
  if (fields.error == refusals[rank]) {
    return std::string("no such ") + names[rank];
  }
  switch (which) {
    case field::type:
      return "type " + std::to_string(static_cast<int>(fields.type));
    case field::format:
      return "format " + std::to_string(static_cast<int>(fields.format));
    default:
      return fields.compression == vexal_part_payload::compression::none
                 ? "none"
                 : "zlib";
  }
}

class dumper {
 public:
  dumper(uint64_t offset, const uint8_t* bytes, size_t size, bool all,
         const message_refusal* refusal)
      : base_(offset),
        bytes_(bytes),
        size_(size),
        all_(all),
        refusal_(refusal) {}

  // Writes the fields up to the refused one, or all of them; `wire` gives
  // the zlib level hints of a message that parsed.
  std::string walk(const vexal_wire_message* wire) {
    size_t at = 0;
    for (size_t part = 0; part < 2; ++part) {
      if (at + vexal_part_header_size > size_) break;
      const vexal_header_fields fields = decode_part_header(bytes_ + at);
      out_ << "  " << part_names[part] << " header\n";
      const auto code = [&](size_t offset, field which, const char* name) {
        return field_row(at + offset, vexal_part_code_size, name,
                         code_meaning(fields, which), which);
      };
      if (code(vexal_part_type_offset, field::type, "type") ||
          code(vexal_part_format_offset, field::format, "format") ||
          code(vexal_part_compression_offset, field::compression,
               "compression") ||
          field_row(at + vexal_part_reserved_offset, vexal_part_code_size,
                    "reserved", "not looked at", field::reserved) ||
          field_row(at + vexal_part_length_offset, vexal_part_length_size,
                    "stored length", std::to_string(fields.stored_size),
                    field::length)) {
        return out_.str();
      }
      at += vexal_part_header_size;
      const size_t present = std::min<size_t>(fields.stored_size, size_ - at);
      out_ << "  " << part_names[part]
           << " stored bytes: " << fields.stored_size << '\n';
      size_t from = at;
      if (wire != nullptr && wire->parts[part].compressed && present >= 2) {
        row(at, 2, "zlib header",
            std::string("level hint ") +
                level_name(wire->parts[part].zlib_level_hint));
        from += 2;
      }
      hex(from, at + present);
      if (mark(at, field::stored)) return out_.str();
      at += present;
    }
    // A refusal that no field shown matches, as of bytes not read.
    if (refusal_ != nullptr) out_ << "  ^ refused: " << refusal_->text << '\n';
    return out_.str();
  }

 private:
  // Marks the field of kind `which` at `at` when it is the one refused.
  bool mark(size_t at, field which) {
    const bool refused = refusal_ != nullptr &&
                         refusal_->field_offset == base_ + at &&
                         refuses(which, refusal_->code);
    if (refused) out_ << "  ^ refused: " << refusal_->text << '\n';
    return refused;
  }

  // A line for the `count` bytes at `at`, named and explained.
  void row(size_t at, size_t count, const char* name,
           const std::string& meaning) {
    std::string raw;
    for (size_t i = 0; i < count; ++i) raw += byte_hex(bytes_[at + i]) + " ";
    raw.pop_back();
    out_ << std::setw(10) << base_ + at << "  " << std::left << std::setw(11)
         << raw << "  " << std::setw(13) << name << std::right << "  "
         << meaning << '\n';
  }

  // A header field's line; true when it is the refused one.
  bool field_row(size_t at, size_t count, const char* name,
                 const std::string& meaning, field which) {
    row(at, count, name, meaning);
    return mark(at, which);
  }

  // The bytes from `from` to `to` in hex and ASCII, a long run elided.
  void hex(size_t from, size_t to) {
    const size_t lines = (to - from + line_bytes - 1) / line_bytes;
    for (size_t line = 0; line < lines; ++line) {
      if (!all_ && lines > 2 * shown_lines && line == shown_lines) {
        const size_t skip_to = lines - shown_lines;
        out_ << "            ... " << (skip_to - line) * line_bytes
             << " bytes not shown (--hex-all shows them)\n";
        line = skip_to;
      }
      const size_t start = from + line * line_bytes;
      const size_t end = std::min(start + line_bytes, to);
      std::string raw;
      std::string text;
      for (size_t at = start; at < end; ++at) {
        raw += byte_hex(bytes_[at]) + " ";
        const bool printable = bytes_[at] >= 0x20 && bytes_[at] < 0x7f;
        text += printable ? static_cast<char>(bytes_[at]) : '.';
      }
      raw.pop_back();
      out_ << std::setw(10) << base_ + start << "  " << std::left
           << std::setw(3 * line_bytes - 1) << raw << std::right << "  |"
           << text << "|\n";
    }
  }

  static std::string byte_hex(uint8_t byte) {
    static const char digits[] = "0123456789abcdef";
    return {digits[byte >> 4], digits[byte & 15]};
  }

  uint64_t base_;
  const uint8_t* bytes_;
  size_t size_;
  bool all_;
  const message_refusal* refusal_;
  std::ostringstream out_;
};

}  // namespace

std::string hex_message(const message_view& view, bool all) {
  return "message " + std::to_string(view.index) + " at offset " +
         std::to_string(view.wire.offset) + ": " +
         std::to_string(view.wire.size) + " bytes\n" +
         dumper(view.wire.offset, view.bytes, view.wire.size, all, nullptr)
             .walk(&view.wire);
}

std::string hex_refused(uint64_t index, uint64_t offset, const uint8_t* bytes,
                        size_t size, const message_refusal& refusal, bool all) {
  return "message " + std::to_string(index) + " at offset " +
         std::to_string(offset) + ": refused\n" +
         dumper(offset, bytes, size, all, &refusal).walk(nullptr);
}

}  // namespace kelvo::tool
