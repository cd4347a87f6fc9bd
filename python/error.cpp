// SPDX-License-Identifier: MIT
// vexal.Error: the library reports malformed input, exceeded limits and
// values outside the enumerations as std::runtime_error with a fixed text;
// Python sees them as vexal.Error (a ValueError) with the same text.
// std::bad_alloc becomes MemoryError through pybind11's own translation.
#include <exception>
#include <stdexcept>

#include "bindings.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

py::handle error_type;

}  // namespace

void define_error(py::module_& module) {
  error_type = PyErr_NewExceptionWithDoc(
      "vexal.Error",
      "Malformed input, an exceeded limit or a value outside its "
      "enumeration; the text is the library's own.",
      PyExc_ValueError, nullptr);
  if (!error_type) throw py::error_already_set();
  module.attr("Error") = error_type;
  py::register_local_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const py::builtin_exception&) {
      throw;  // pybind11's own errors (TypeError ...) keep their types
    } catch (const std::runtime_error& error) {
      PyErr_SetString(error_type.ptr(), error.what());
    }
  });
}

}  // namespace vexal_python
