// SPDX-License-Identifier: MIT
// vexal.Limits over vexal_limits: a plain value that compares, prints,
// pickles and copies by its two sizes.
#include <cstddef>
#include <string>

#include "bindings.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_limits;

struct limits_object {
  PyObject_HEAD vexal_limits limits;
};

PyTypeObject* limits_type;

limits_object* self_of(PyObject* self) {
  return reinterpret_cast<limits_object*>(self);
}

PyObject* new_limits(PyTypeObject* type, const vexal_limits& limits) {
  PyObject* self = type->tp_alloc(type, 0);
  if (self) self_of(self)->limits = limits;
  return self;
}

PyObject* limits_new(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  static const char* names[] = {"max_message_size", "max_payload_size",
                                nullptr};
  PyObject* sizes[2] = {nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "|OO:Limits",
                                   const_cast<char**>(names), &sizes[0],
                                   &sizes[1])) {
    return nullptr;
  }
  return guarded(
      [&] {
        vexal_limits limits;
        if (sizes[0]) limits.max_message_size = to_size(sizes[0]);
        if (sizes[1]) limits.max_payload_size = to_size(sizes[1]);
        return new_limits(type, limits);
      },
      static_cast<PyObject*>(nullptr));
}

template <size_t vexal_limits::*Field>
PyObject* get_size(PyObject* self, void*) {
  return PyLong_FromSize_t(self_of(self)->limits.*Field);
}

template <size_t vexal_limits::*Field>
int set_size(PyObject* self, PyObject* value, void*) {
  if (!value) {
    PyErr_SetString(PyExc_AttributeError, "a limit cannot be deleted");
    return -1;
  }
  return guarded(
      [&] {
        self_of(self)->limits.*Field = to_size(value);
        return 0;
      },
      -1);
}

PyObject* unlimited(PyObject*, PyObject*) {
  return new_limits(limits_type, vexal_limits::unlimited());
}

PyObject* reduce(PyObject* self, PyObject*) {
  const vexal_limits& limits = self_of(self)->limits;
  return Py_BuildValue(
      "(O(KK))", Py_TYPE(self),
      static_cast<unsigned long long>(limits.max_message_size),
      static_cast<unsigned long long>(limits.max_payload_size));
}

PyObject* richcompare(PyObject* left, PyObject* right, int op) {
  if (!PyObject_TypeCheck(right, limits_type) || (op != Py_EQ && op != Py_NE)) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  const vexal_limits& a = self_of(left)->limits;
  const vexal_limits& b = self_of(right)->limits;
  const bool equal = a.max_message_size == b.max_message_size &&
                     a.max_payload_size == b.max_payload_size;
  return PyBool_FromLong(equal == (op == Py_EQ));
}

PyObject* repr(PyObject* self) {
  const vexal_limits& limits = self_of(self)->limits;
  const std::string text =
      "Limits(max_message_size=" + std::to_string(limits.max_message_size) +
      ", max_payload_size=" + std::to_string(limits.max_payload_size) + ")";
  return PyUnicode_FromString(text.c_str());
}

PyGetSetDef getset[] = {
    {"max_message_size", get_size<&vexal_limits::max_message_size>,
     set_size<&vexal_limits::max_message_size>,
     "The largest message on the wire, in bytes, inclusive.", nullptr},
    {"max_payload_size", get_size<&vexal_limits::max_payload_size>,
     set_size<&vexal_limits::max_payload_size>,
     "The largest payload of one part, stored or inflated, inclusive.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef methods[] = {
    {"unlimited", unlimited, METH_NOARGS | METH_STATIC,
     "Both limits at their largest value."},
    {"__reduce__", reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("Limits(max_message_size=67108864, "
                       "max_payload_size=67108864)\n--\n\n"
                       "What one message may cost: its size on the wire and "
                       "the size of each part's payload, inclusive.")},
    {Py_tp_new, reinterpret_cast<void*>(limits_new)},
    {Py_tp_getset, getset},
    {Py_tp_methods, methods},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
    {Py_tp_repr, reinterpret_cast<void*>(repr)},
    {0, nullptr},
};

PyType_Spec definition = {"vexal.Limits", sizeof(limits_object), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};

}  // namespace

void define_limits(PyObject* module) {
  limits_type = add_type(module, definition);
}

vexal_limits limits_of(PyObject* object, vexal_limits otherwise) {
  if (!object || object == Py_None) return otherwise;
  if (!PyObject_TypeCheck(object, limits_type)) {
    PyErr_Format(PyExc_TypeError,
                 "limits must be a vexal.Limits or None, not '%s'",
                 Py_TYPE(object)->tp_name);
    throw python_error();
  }
  return self_of(object)->limits;
}

}  // namespace vexal_python
