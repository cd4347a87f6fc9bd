// SPDX-License-Identifier: MIT
// vexal.Error: the library reports malformed input, exceeded limits and
// values outside the enumerations as std::runtime_error with a fixed text;
// Python sees them as vexal.Error (a ValueError) with the same text, or as
// its subclass vexal.LimitError for the two texts of an exceeded limit.
// vexal.TruncatedError is raised by vexal.iter_messages for a stream that
// ends inside a message. std::bad_alloc becomes MemoryError through
// pybind11's own translation.
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "bindings.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

py::handle error_type;
py::handle limit_error_type;

py::handle new_error(py::module_& module, const char* name, const char* doc,
                     py::handle base) {
  const std::string full_name = std::string("vexal.") + name;
  PyObject* type =
      PyErr_NewExceptionWithDoc(full_name.c_str(), doc, base.ptr(), nullptr);
  if (!type) throw py::error_already_set();
  module.attr(name) = type;
  return type;
}

// The type for the library's text `what`.
py::handle type_of(const char* what) {
  const bool limit = std::strcmp(what, "vexal message too long") == 0 ||
                     std::strcmp(what, "vexal payload too long") == 0;
  return limit ? limit_error_type : error_type;
}

}  // namespace

void define_error(py::module_& module) {
  error_type = new_error(
      module, "Error",
      "Malformed input, an exceeded limit or a value outside its "
      "enumeration; the text is the library's own. Raised by a Reader, it "
      "carries `offset`, the stream offset of the refused message.",
      PyExc_ValueError);
  limit_error_type = new_error(
      module, "LimitError",
      "A message or payload over the Limits in force: \"vexal message too "
      "long\" or \"vexal payload too long\".",
      error_type);
  new_error(module, "TruncatedError",
            "The stream ended inside a message: `offset` is where that "
            "message starts, `needed` how many more bytes it would take "
            "at least.",
            error_type);
  py::register_local_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const py::builtin_exception&) {
      throw;  // pybind11's own errors (TypeError ...) keep their types
    } catch (const std::runtime_error& error) {
      set_library_error(error);
    }
  });
}

void set_library_error(const std::runtime_error& error) {
  PyErr_SetString(type_of(error.what()).ptr(), error.what());
}

void raise_at(const std::runtime_error& error, size_t offset) {
  py::object raised = type_of(error.what())(error.what());
  raised.attr("offset") = offset;
  PyErr_SetObject(raised.get_type().ptr(), raised.ptr());
  throw py::error_already_set();
}

}  // namespace vexal_python
