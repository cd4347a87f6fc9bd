// SPDX-License-Identifier: MIT
// Builds vexal.Format and vexal.Compression with enum.IntEnum, each member's
// value taken from the library's enumeration of the same name.
#include "enums.hpp"

#include <initializer_list>
#include <utility>

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

py::handle format_type;
py::handle compression_type;

template <typename Enum>
using members = std::initializer_list<std::pair<const char*, Enum>>;

// A new IntEnum in module "vexal", kept alive for the rest of the process.
template <typename Enum>
py::handle make_enum(py::module_& module, const char* name, const char* doc,
                     members<Enum> list) {
  py::list items;
  for (const auto& [member, value] : list) {
    items.append(py::make_tuple(member, static_cast<int32_t>(value)));
  }
  py::object type = py::module_::import("enum").attr("IntEnum")(
      name, items, py::arg("module") = "vexal");
  type.attr("__doc__") = doc;
  module.attr(name) = type;
  return type.release();
}

}  // namespace

void define_enums(py::module_& module) {
  format_type = make_enum<format>(
      module, "Format",
      "Format of a payload: stored and compared, never interpreted.",
      {{"BYTES", format::bytes},
       {"APPLICATION_1", format::application_1},
       {"APPLICATION_2", format::application_2}});
  compression_type = make_enum<compression>(
      module, "Compression",
      "How a payload is stored: unchanged or as a zlib stream at a level. "
      "Any zlib value parses back as ZLIB_DEFAULT.",
      {{"NONE", compression::none},
       {"ZLIB_DEFAULT", compression::zlib_default},
       {"ZLIB_BEST_SPEED", compression::zlib_best_speed},
       {"ZLIB_BEST_COMPRESSION", compression::zlib_best_compression},
       {"ZLIB_LEVEL_1", compression::zlib_level_1},
       {"ZLIB_LEVEL_2", compression::zlib_level_2},
       {"ZLIB_LEVEL_3", compression::zlib_level_3},
       {"ZLIB_LEVEL_4", compression::zlib_level_4},
       {"ZLIB_LEVEL_5", compression::zlib_level_5},
       {"ZLIB_LEVEL_6", compression::zlib_level_6},
       {"ZLIB_LEVEL_7", compression::zlib_level_7},
       {"ZLIB_LEVEL_8", compression::zlib_level_8},
       {"ZLIB_LEVEL_9", compression::zlib_level_9}});
}

py::handle format_enum() { return format_type; }
py::handle compression_enum() { return compression_type; }

py::object enum_member(py::handle type, int32_t value) {
  const py::dict by_value = type.attr("_value2member_map_");
  py::int_ key(value);
  if (by_value.contains(key)) return by_value[key];
  return std::move(key);
}

}  // namespace vexal_python
