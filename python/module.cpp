// SPDX-License-Identifier: MIT
// Entry point of the extension vexal._vexal, which the package vexal
// re-exports, and the small pieces of plumbing every file uses. A thin layer
// over libvexal: every behaviour is the library's, the extension only
// converts types and maps errors.
#include <cstring>

#include "bindings.hpp"
#include "vexal/version.hpp"

namespace vexal_python {

PyTypeObject* add_type(PyObject* module, PyType_Spec& definition) {
  owned type(PyType_FromSpec(&definition));
  const char* name = std::strrchr(definition.name, '.') + 1;
  Py_INCREF(type.get());
  if (PyModule_AddObject(module, name, type.get()) != 0) {
    Py_DECREF(type.get());
    throw python_error();
  }
  return reinterpret_cast<PyTypeObject*>(type.release());
}

void bind_arguments(const char* function, PyObject* const* args,
                    Py_ssize_t nargsf, PyObject* keywords,
                    std::initializer_list<const char*> names,
                    Py_ssize_t positional, PyObject** out) {
  const Py_ssize_t given = PyVectorcall_NARGS(nargsf);
  if (given > positional) {
    PyErr_Format(PyExc_TypeError,
                 "%s() takes at most %zd positional arguments (%zd given)",
                 function, positional, given);
    throw python_error();
  }
  for (Py_ssize_t index = 0; index < static_cast<Py_ssize_t>(names.size());
       ++index) {
    out[index] = index < given ? args[index] : nullptr;
  }
  const Py_ssize_t count = keywords ? PyTuple_GET_SIZE(keywords) : 0;
  for (Py_ssize_t k = 0; k < count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(keywords, k);
    Py_ssize_t match = 0;
    for (const char* name : names) {
      if (PyUnicode_CompareWithASCIIString(keyword, name) == 0) break;
      ++match;
    }
    if (match == static_cast<Py_ssize_t>(names.size()) || out[match]) {
      PyErr_Format(
          PyExc_TypeError, "%s() got %s keyword argument '%U'", function,
          match == static_cast<Py_ssize_t>(names.size()) ? "an unexpected"
                                                         : "a repeated",
          keyword);
      throw python_error();
    }
    out[match] = args[given + k];
  }
}

parse_arguments bind_parse_arguments(const char* function,
                                     const char* source_name,
                                     PyObject* const* args, Py_ssize_t nargsf,
                                     PyObject* keywords) {
  PyObject* given[3];
  bind_arguments(function, args, nargsf, keywords,
                 {source_name, "offset", "limits"}, 2, given);
  if (!given[0]) {
    PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s'",
                 function, source_name);
    throw python_error();
  }
  parse_arguments bound;
  bound.source = given[0];
  if (given[1]) bound.offset = to_size(given[1]);
  bound.limits = limits_of(given[2], bound.limits);
  return bound;
}

PyObject* parse_result(PyObject* parsed, size_t end) {
  owned held(parsed ? parsed : (Py_INCREF(Py_None), Py_None));
  owned offset(PyLong_FromSize_t(end));
  if (!offset.get()) throw python_error();
  PyObject* pair = PyTuple_New(2);
  if (!pair) throw python_error();
  PyTuple_SET_ITEM(pair, 0, held.release());
  PyTuple_SET_ITEM(pair, 1, offset.release());
  return pair;
}

size_t to_size(PyObject* object) {
  const size_t value = PyLong_AsSize_t(object);
  if (value == static_cast<size_t>(-1) && PyErr_Occurred()) {
    throw python_error();
  }
  return value;
}

}  // namespace vexal_python

namespace {

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "vexal._vexal",
    "Compose and parse vexal messages with libvexal.",
    -1,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__vexal() {
  using namespace vexal_python;
  PyObject* module = PyModule_Create(&definition);
  if (!module) return nullptr;
  const bool made = guarded(
      [&] {
        const std::string version = kelvo::vexal_version::get_string();
        if (PyModule_AddStringConstant(module, "__version__",
                                       version.c_str()) != 0) {
          throw python_error();
        }
        define_errors(module);
        define_enums(module);
        define_limits(module);
        define_part(module);
        define_message(module);
        define_view(module);
        define_reader(module);
        return true;
      },
      false);
  if (!made) Py_CLEAR(module);
  return module;
}
