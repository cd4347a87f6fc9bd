// SPDX-License-Identifier: MIT
// Builds and prints `inspect`'s reports; JSON goes through nlohmann-json.
#include "report.hpp"

#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>

namespace kelvo::tool {
namespace {

// Payload bytes per stored byte; 1 for an empty part.
double ratio(uint64_t payload, uint64_t stored) {
  return stored == 0
             ? 1.0
             : static_cast<double>(payload) / static_cast<double>(stored);
}

part_report describe_part(int type, const vexal_wire_part& wire,
                          const vexal_part_ctx& part, bool levels) {
  return {type,
          static_cast<int>(part.get_format()),
          wire.compressed,
          wire.stored_size,
          part.get_payload().size(),
          wire.compressed ? level_name(wire.zlib_level_hint) : nullptr,
          levels ? try_levels(part) : std::vector<level_trial>{}};
}

void format_levels(std::ostream& out, const std::vector<level_trial>& levels) {
  for (const level_trial& trial : levels) {
    out << "    " << std::left << std::setw(13) << *trial.name << std::right
        << "  stored " << std::setw(8) << trial.stored << "  " << std::fixed
        << std::setprecision(1) << std::setw(10) << trial.microseconds
        << " \u00b5s" << (trial.smallest ? "  smallest" : "")
        << (trial.fastest ? "  fastest within 5 %" : "") << '\n';
  }
}

nlohmann::ordered_json levels_json(const std::vector<level_trial>& levels) {
  if (levels.empty()) return nullptr;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const level_trial& trial : levels) {
    list.push_back({{"compression", *trial.name},
                    {"stored", trial.stored},
                    {"microseconds", trial.microseconds},
                    {"smallest", trial.smallest},
                    {"fastest_within_5_percent", trial.fastest}});
  }
  return list;
}

}  // namespace

const char* level_name(uint8_t hint) {
  static constexpr std::array<const char*, 4> names = {"fastest", "fast",
                                                       "default", "maximum"};
  return names.at(hint);
}

message_report describe(const std::string& input, const message_view& view,
                        bool levels) {
  return {
      input,
      view.index,
      view.wire.offset,
      view.wire.size,
      {describe_part(1, view.wire.parts[0], view.message.first(), levels),
       describe_part(0, view.wire.parts[1], view.message.second(), levels)}};
}

std::string format_text(const message_report& report) {
  std::ostringstream out;
  out << "message " << report.index << " at offset " << report.offset << ": "
      << report.length << " bytes\n";
  for (const part_report& part : report.parts) {
    out << "  type " << part.type << "  format " << part.format << "  "
        << (part.zlib ? "zlib" : "none") << "  stored " << std::setw(8)
        << part.stored << "  payload " << std::setw(8) << part.payload
        << "  ratio " << std::fixed << std::setprecision(2) << std::setw(6)
        << ratio(part.payload, part.stored);
    if (part.level != nullptr) out << "  level " << part.level;
    out << '\n';
    format_levels(out, part.levels);
  }
  return out.str();
}

std::string format_json(const message_report& report) {
  nlohmann::ordered_json parts = nlohmann::ordered_json::array();
  for (const part_report& part : report.parts) {
    nlohmann::ordered_json entry = {
        {"type", part.type},
        {"format", part.format},
        {"compression", part.zlib ? "zlib" : "none"},
        {"stored", part.stored},
        {"payload", part.payload},
        {"ratio", ratio(part.payload, part.stored)},
        {"level", part.level == nullptr ? nlohmann::ordered_json()
                                        : nlohmann::ordered_json(part.level)},
        {"levels", levels_json(part.levels)}};
    parts.push_back(std::move(entry));
  }
  const nlohmann::ordered_json message = {{"input", report.input},
                                          {"index", report.index},
                                          {"offset", report.offset},
                                          {"length", report.length},
                                          {"parts", std::move(parts)}};
  return message.dump(-1, ' ', false,
                      nlohmann::ordered_json::error_handler_t::replace) +
         '\n';
}

void report_totals::add(const message_report& report) {
  ++messages_;
  bytes_ += report.length;
  for (const part_report& part : report.parts) {
    ++parts_;
    compressed_ += part.zlib ? 1 : 0;
    stored_ += part.stored;
    payload_ += part.payload;
  }
}

std::string report_totals::format() const {
  std::ostringstream out;
  out << messages_ << (messages_ == 1 ? " message, " : " messages, ") << bytes_
      << " bytes, " << compressed_ << " of " << parts_
      << " parts compressed, overall ratio " << std::fixed
      << std::setprecision(2) << ratio(payload_, stored_) << '\n';
  return out.str();
}

}  // namespace kelvo::tool
