// SPDX-License-Identifier: MIT
// What `inspect` says about each message and about the whole run, as text or
// as one JSON object per line.
//
// Per part: its type, format, stored compression (none or zlib), stored and
// payload lengths, their ratio and, for a zlib part, the level hint that the
// zlib stream's own header carries, since the part header records only that
// the part is compressed. The stored lengths and the hint come from the
// reader's account of the wire (vexal_reader::wire).
#ifndef VEXAL_TOOLS_REPORT_HPP
#define VEXAL_TOOLS_REPORT_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "levels.hpp"
#include "message_stream.hpp"

namespace kelvo::tool {

struct part_report {
  int type;
  int format;
  bool zlib;          ///< Stored as a zlib stream rather than as is.
  uint64_t stored;    ///< Bytes on the wire after the part header.
  uint64_t payload;   ///< Bytes of the payload itself.
  const char* level;  ///< zlib level hint: "fastest", "fast", "default" or
                      ///< "maximum"; null for a part stored as is.
  std::vector<level_trial> levels;  ///< Empty unless asked for.
};

struct message_report {
  std::string input;
  uint64_t index;
  uint64_t offset;
  uint64_t length;
  std::array<part_report, 2> parts;  ///< The type-1 part, then the type-0.
};

/// The name of a zlib level class, by the hint that the library reports
/// (vexal_wire_part::zlib_level_hint): "fastest", "fast", "default" or
/// "maximum".
const char* level_name(uint8_t hint);

/// The report on one message of `input`, with each part's `levels` tried
/// when `levels` is true.
message_report describe(const std::string& input, const message_view& view,
                        bool levels);

/// The report as three lines of text, and a line per level tried.
std::string format_text(const message_report& report);

/// The report as one JSON object on one line (docs/json.md); bytes of the
/// input's name that are not UTF-8 become U+FFFD.
std::string format_json(const message_report& report);

/// Counts the messages, bytes and parts seen, for the closing summary.
class report_totals {
 public:
  void add(const message_report& report);
  /// "N messages, B bytes, C of P parts compressed, overall ratio R" and a
  /// line end; "1 message" for one.
  std::string format() const;

 private:
  uint64_t messages_ = 0;
  uint64_t bytes_ = 0;
  uint64_t parts_ = 0;
  uint64_t compressed_ = 0;
  uint64_t stored_ = 0;
  uint64_t payload_ = 0;
};

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_REPORT_HPP
