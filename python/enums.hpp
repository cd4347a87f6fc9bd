// SPDX-License-Identifier: MIT
// vexal.Format and vexal.Compression: enum.IntEnum classes made from the
// library's enumerations, and the pybind11 conversions that let the bindings
// take and return the library's enumeration types directly. Any int is
// accepted and stored unchecked, as the library does; a value outside its
// enumeration comes back as a plain int and is refused when composed.
#ifndef VEXAL_PYTHON_ENUMS_HPP
#define VEXAL_PYTHON_ENUMS_HPP

#include <pybind11/pybind11.h>

#include <cstdint>

#include "vexal/payload.hpp"

namespace vexal_python {

/// Adds Format and Compression to the module; before anything uses them.
void define_enums(pybind11::module_& module);

/// The classes that define_enums made; they live as long as the process.
pybind11::handle format_enum();
pybind11::handle compression_enum();

/// The member of `type` with `value`, or `value` as a plain int.
pybind11::object enum_member(pybind11::handle type, int32_t value);

}  // namespace vexal_python

namespace pybind11::detail {

/// Converts a library enumeration held as int32_t to and from its IntEnum.
template <typename Enum, handle (*python_type)()>
struct int_enum_caster {
  PYBIND11_TYPE_CASTER(Enum, const_name("int"));

  bool load(handle source, bool convert) {
    make_caster<int32_t> raw;
    if (!raw.load(source, convert)) return false;
    value = static_cast<Enum>(cast_op<int32_t>(raw));
    return true;
  }

  static handle cast(Enum source, return_value_policy, handle) {
    return vexal_python::enum_member(python_type(),
                                     static_cast<int32_t>(source))
        .release();
  }
};

template <>
struct type_caster<kelvo::vexal_part_payload::format>
    : int_enum_caster<kelvo::vexal_part_payload::format,
                      &vexal_python::format_enum> {};

template <>
struct type_caster<kelvo::vexal_part_payload::compression>
    : int_enum_caster<kelvo::vexal_part_payload::compression,
                      &vexal_python::compression_enum> {};

}  // namespace pybind11::detail

#endif  // VEXAL_PYTHON_ENUMS_HPP
