// SPDX-License-Identifier: MIT
// A few freed objects of one exact type kept for reuse, as CPython keeps its
// own tuples and floats: making and dropping a Message or a Part then costs
// neither an allocation nor clearing the whole object. Used with the GIL
// held. Objects of a subclass come from and go back to the subclass's own
// allocation. Whoever takes an object sets every one of its fields.
#ifndef VEXAL_PYTHON_FREE_LIST_HPP
#define VEXAL_PYTHON_FREE_LIST_HPP

#include <array>
#include <cstddef>

#include "bindings.hpp"

namespace vexal_python {

template <size_t Capacity>
class free_list {
 public:
  /// A new object of `type` holding a reference to it, its own fields
  /// unset; `exact` is the type whose objects are kept. Throws python_error.
  PyObject* take(PyTypeObject* type, PyTypeObject* exact) {
    if (type != exact) {
      PyObject* object = type->tp_alloc(type, 0);
      if (!object) throw python_error();
      return object;
    }
    void* memory =
        count_ != 0 ? items_[--count_]
                    : PyObject_Malloc(static_cast<size_t>(exact->tp_basicsize));
    if (!memory) {
      PyErr_NoMemory();
      throw python_error();
    }
    return PyObject_Init(static_cast<PyObject*>(memory), exact);
  }

  /// Frees `object`, whose fields are destroyed, keeping it when it is of
  /// type `exact` and there is room; then drops its reference to `type`.
  void give(PyObject* object, PyTypeObject* type, PyTypeObject* exact) {
    if (type == exact && count_ < Capacity) {
      items_[count_++] = object;
    } else {
      type->tp_free(object);
    }
    Py_DECREF(type);
  }

 private:
  std::array<void*, Capacity> items_{};
  size_t count_ = 0;
};

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_FREE_LIST_HPP
