// SPDX-License-Identifier: MIT
// vexal.Format and vexal.Compression: enum.IntEnum classes whose members'
// values are the library's enumerations of the same names. Any int that
// fits 32 bits is accepted and stored unchecked, as the library does; a
// value outside its enumeration reads back as a plain int and is refused
// when composed.
#include <limits>

#include "bindings.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

// Members by value, read on every getter: a tuple indexed by the value.
PyObject* formats;
PyObject* compressions;

PyObject* member_tuple(PyObject* by_value, size_t count) {
  owned members(PyTuple_New(static_cast<Py_ssize_t>(count)));
  for (size_t value = 0; value < count; ++value) {
    PyObject* member = PyDict_GetItemWithError(
        by_value, owned(PyLong_FromSize_t(value)).get());
    if (!member) throw python_error();
    Py_INCREF(member);
    PyTuple_SET_ITEM(members.get(), static_cast<Py_ssize_t>(value), member);
  }
  return members.release();
}

PyObject* member_or_int(PyObject* members, int32_t value) {
  if (value >= 0 && value < PyTuple_GET_SIZE(members)) {
    PyObject* member = PyTuple_GET_ITEM(members, value);
    Py_INCREF(member);
    return member;
  }
  return PyLong_FromLong(value);
}

template <typename Enum>
std::pair<const char*, int> item(const char* name, Enum value) {
  return {name, static_cast<int>(value)};
}

}  // namespace

PyObject* add_int_enum(
    PyObject* module, const char* name, const char* doc,
    const std::vector<std::pair<const char*, int>>& members) {
  owned list(PyList_New(0));
  for (const auto& [member, value] : members) {
    owned pair(Py_BuildValue("(si)", member, value));
    if (PyList_Append(list.get(), pair.get()) != 0) throw python_error();
  }
  owned int_enum(PyObject_GetAttrString(
      owned(PyImport_ImportModule("enum")).get(), "IntEnum"));
  owned arguments(Py_BuildValue("(sO)", name, list.get()));
  owned keywords(Py_BuildValue("{ss}", "module", "vexal"));
  owned type(PyObject_Call(int_enum.get(), arguments.get(), keywords.get()));
  owned text(PyUnicode_FromString(doc));
  if (PyObject_SetAttrString(type.get(), "__doc__", text.get()) != 0) {
    throw python_error();
  }
  owned by_value(PyDict_New());
  for (const auto& [member, value] : members) {
    owned object(PyObject_GetAttrString(type.get(), member));
    owned key(PyLong_FromLong(value));
    if (PyDict_SetItem(by_value.get(), key.get(), object.get()) != 0) {
      throw python_error();
    }
  }
  if (PyModule_AddObject(module, name, type.get()) != 0) throw python_error();
  type.release();
  return by_value.release();
}

void define_enums(PyObject* module) {
  owned format_members(add_int_enum(
      module, "Format",
      "Format of a payload: stored and compared, never interpreted.",
      {item("BYTES", format::bytes),
       item("APPLICATION_1", format::application_1),
       item("APPLICATION_2", format::application_2)}));
  formats = member_tuple(format_members.get(), 3);
  owned compression_members(add_int_enum(
      module, "Compression",
      "How a payload is stored: unchanged or as a zlib stream at a level. "
      "Any zlib value parses back as ZLIB_DEFAULT.",
      {item("NONE", compression::none),
       item("ZLIB_DEFAULT", compression::zlib_default),
       item("ZLIB_BEST_SPEED", compression::zlib_best_speed),
       item("ZLIB_BEST_COMPRESSION", compression::zlib_best_compression),
       item("ZLIB_LEVEL_1", compression::zlib_level_1),
       item("ZLIB_LEVEL_2", compression::zlib_level_2),
       item("ZLIB_LEVEL_3", compression::zlib_level_3),
       item("ZLIB_LEVEL_4", compression::zlib_level_4),
       item("ZLIB_LEVEL_5", compression::zlib_level_5),
       item("ZLIB_LEVEL_6", compression::zlib_level_6),
       item("ZLIB_LEVEL_7", compression::zlib_level_7),
       item("ZLIB_LEVEL_8", compression::zlib_level_8),
       item("ZLIB_LEVEL_9", compression::zlib_level_9)}));
  compressions = member_tuple(compression_members.get(), 13);
}

PyObject* format_object(format value) {
  return member_or_int(formats, static_cast<int32_t>(value));
}

PyObject* compression_object(compression value) {
  return member_or_int(compressions, static_cast<int32_t>(value));
}

int32_t to_code(PyObject* object) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(object, &overflow);
  if (value == -1 && PyErr_Occurred()) throw python_error();
  if (overflow != 0 || value < std::numeric_limits<int32_t>::min() ||
      value > std::numeric_limits<int32_t>::max()) {
    PyErr_SetString(PyExc_OverflowError, "the code does not fit 32 bits");
    throw python_error();
  }
  return static_cast<int32_t>(value);
}

}  // namespace vexal_python
