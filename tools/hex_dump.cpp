// SPDX-License-Identifier: MIT
// Walks a message's fields in wire order and writes a line for each: the
// header fields one by one, then the stored bytes, for the type-1 part and
// then the type-0 part.
#include "hex_dump.hpp"

#include <iomanip>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>
#include <vexal/vexal.hpp>

#include "header_codes.hpp"
#include "report.hpp"

namespace kelvo::tool {
namespace {

// The fields of a part, in wire order.
enum class field { type, format, compression, reserved, length, stored };

constexpr size_t line_bytes = 16;
constexpr size_t shown_lines = 2;  // at each end of a long part
constexpr std::array<const char*, 2> part_names = {"type-1 part",
                                                   "type-0 part"};

// The field to stop at, after marking it with the library's message.
struct refusal {
  size_t part;
  field where;
  std::string error;
};

class dumper {
 public:
  dumper(uint64_t offset, const uint8_t* bytes, size_t size, bool all)
      : base_(offset), bytes_(bytes), size_(size), all_(all) {}

  // Writes the fields up to `stop`, or all of them; `wire` gives the zlib
  // level hints of a message that parsed.
  std::string walk(const vexal_wire_message* wire,
                   const std::optional<refusal>& stop) {
    const header_codes& codes = header_codes::get();
    size_t at = 0;
    for (size_t part = 0; part < 2; ++part) {
      if (at + vexal_part_header_size > size_) break;
      const uint8_t* header = bytes_ + at;
      out_ << "  " << part_names[part] << " header\n";
      const auto code = [&](size_t offset, field which, const char* name,
                            std::string meaning) {
        return row(at + offset, vexal_part_code_size, name, meaning,
                   marked(stop, part, which));
      };
      const uint8_t type = header[vexal_part_type_offset];
      const uint8_t format = header[vexal_part_format_offset];
      const uint8_t compression = header[vexal_part_compression_offset];
      const auto named = [](std::optional<int> value, const char* what,
                            std::string name) {
        return value ? name : std::string("no such ") + what;
      };
      const std::optional<int> type_value =
          header_codes::value_of(codes.type, type);
      const std::optional<int> format_value =
          header_codes::value_of(codes.format, format);
      const std::optional<int> zlib =
          header_codes::value_of(codes.compression, compression);
      if (code(vexal_part_type_offset, field::type, "type",
               named(type_value, "type",
                     "type " + std::to_string(type_value.value_or(0)))) ||
          code(vexal_part_format_offset, field::format, "format",
               named(format_value, "format",
                     "format " + std::to_string(format_value.value_or(0)))) ||
          code(vexal_part_compression_offset, field::compression, "compression",
               named(zlib, "compression", zlib == 1 ? "zlib" : "none")) ||
          code(vexal_part_reserved_offset, field::reserved, "reserved",
               "not looked at")) {
        break;
      }
      const uint64_t stored = codes.length(header);
      if (row(at + vexal_part_length_offset, vexal_part_length_size,
              "stored length", std::to_string(stored),
              marked(stop, part, field::length))) {
        break;
      }
      at += vexal_part_header_size;
      const size_t present =
          static_cast<size_t>(std::min<uint64_t>(stored, size_ - at));
      out_ << "  " << part_names[part] << " stored bytes: " << stored << '\n';
      size_t from = at;
      if (wire != nullptr && wire->parts[part].compressed && present >= 2) {
        row(at, 2, "zlib header",
            std::string("level hint ") +
                level_name(wire->parts[part].zlib_level_hint),
            nullptr);
        from += 2;
      }
      hex(from, at + present);
      if (mark(marked(stop, part, field::stored))) break;
      at += present;
    }
    return out_.str();
  }

 private:
  static const std::string* marked(const std::optional<refusal>& stop,
                                   size_t part, field which) {
    return stop && stop->part == part && stop->where == which ? &stop->error
                                                              : nullptr;
  }

  bool mark(const std::string* error) {
    if (error != nullptr) out_ << "  ^ refused: " << *error << '\n';
    return error != nullptr;
  }

  // A header field's line; true when it is the refused one.
  bool row(size_t at, size_t count, const char* name,
           const std::string& meaning, const std::string* error) {
    std::string raw;
    for (size_t i = 0; i < count; ++i) raw += byte_hex(bytes_[at + i]) + " ";
    raw.pop_back();
    out_ << std::setw(10) << base_ + at << "  " << std::left << std::setw(11)
         << raw << "  " << std::setw(13) << name << std::right << "  "
         << meaning << '\n';
    return mark(error);
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
  std::ostringstream out_;
};

// Which field the library refused: a code that is not in the table of its
// kind, the length that made the message too long, or else (an inflated
// payload too long, a zlib failure) the stored bytes of the part that fails
// alone, tried as a message with an empty type-0 part.
refusal find_refusal(const uint8_t* bytes, size_t size,
                     const std::string& error, const vexal_limits& limits) {
  const header_codes& codes = header_codes::get();
  const uint64_t first_stored = codes.length(bytes);
  const size_t second = vexal_part_header_size + first_stored;
  if (error == "vexal message too long") {
    const bool first =
        2 * vexal_part_header_size + first_stored > limits.max_message_size ||
        second + vexal_part_header_size > size;
    return {first ? 0U : 1U, field::length, error};
  }
  if (second + vexal_part_header_size > size ||
      first_stored > limits.max_payload_size) {
    return {0, field::length, error};  // refused from the first header
  }
  if (codes.length(bytes + second) > limits.max_payload_size) {
    return {1, field::length, error};
  }
  for (size_t part = 0; part < 2; ++part) {
    const uint8_t* header = bytes + (part == 0 ? 0 : second);
    if (error == "Unknown vexal type (raw)" &&
        !header_codes::value_of(codes.type, header[vexal_part_type_offset])) {
      return {part, field::type, error};
    }
    if (error == "Unknown vexal format (raw)" &&
        !header_codes::value_of(codes.format,
                                header[vexal_part_format_offset])) {
      return {part, field::format, error};
    }
    if (error == "Unknown vexal compression (raw)" &&
        !header_codes::value_of(codes.compression,
                                header[vexal_part_compression_offset])) {
      return {part, field::compression, error};
    }
  }
  std::vector<uint8_t> alone(bytes, bytes + second);
  vexal_second_part().compose(alone);
  vexal trial;
  try {
    (void)trial.parse(alone, 0, limits);
  } catch (const std::runtime_error&) {
    return {0, field::stored, error};
  }
  return {1, field::stored, error};
}

}  // namespace

std::string hex_message(const message_view& view, bool all) {
  return "message " + std::to_string(view.index) + " at offset " +
         std::to_string(view.wire.offset) + ": " +
         std::to_string(view.wire.size) + " bytes\n" +
         dumper(view.wire.offset, view.bytes, view.wire.size, all)
             .walk(&view.wire, std::nullopt);
}

std::string hex_refused(uint64_t index, uint64_t offset, const uint8_t* bytes,
                        size_t size, const std::string& error,
                        const vexal_limits& limits, bool all) {
  return "message " + std::to_string(index) + " at offset " +
         std::to_string(offset) + ": refused\n" +
         dumper(offset, bytes, size, all)
             .walk(nullptr, find_refusal(bytes, size, error, limits));
}

}  // namespace kelvo::tool
