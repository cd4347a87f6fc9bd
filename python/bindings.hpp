// SPDX-License-Identifier: MIT
// The pieces of the vexal._vexal extension, each defined in its own file and
// called in this order by the module's entry point (module.cpp).
#ifndef VEXAL_PYTHON_BINDINGS_HPP
#define VEXAL_PYTHON_BINDINGS_HPP

#include <pybind11/pybind11.h>

#include <cstddef>
#include <stdexcept>

namespace vexal_python {

/// vexal.Error, raised for every std::runtime_error of the library, and
/// its subclasses LimitError and TruncatedError.
void define_error(pybind11::module_& module);
/// Sets the Python error for `error`: vexal.Error or LimitError.
void set_library_error(const std::runtime_error& error);
/// Raises `error` as vexal.Error or LimitError with `.offset` set.
[[noreturn]] void raise_at(const std::runtime_error& error, size_t offset);
/// vexal.Limits.
void define_limits(pybind11::module_& module);
/// vexal.Part.
void define_part(pybind11::module_& module);
/// vexal.Message and vexal.parse.
void define_message(pybind11::module_& module);
/// vexal.parse_view, MessageView and PartView.
void define_view(pybind11::module_& module);
/// vexal.Reader.
void define_reader(pybind11::module_& module);
/// vexal.parse and the getters of Message.first/.second and Part.payload,
/// as plain CPython functions; after everything above.
void define_fast_paths(pybind11::module_& module);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_BINDINGS_HPP
