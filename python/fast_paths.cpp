// SPDX-License-Identifier: MIT
// Plain CPython entry points for the calls a reader of small messages makes
// on every message: vexal.parse, Message.first / .second and Part.payload.
// pybind11's generic dispatch (argument loaders, a type lookup by name per
// conversion) costs several times the work of these calls on 2 × 16 B, so
// they are plain CPython functions, added after the classes are defined. They
// do the same work through the same objects: the library's parse into a new
// message_box, a part_ref made into a Part, the payload copied into bytes;
// setters and everything else stay pybind11's.
#include <pybind11/pybind11.h>

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "locking.hpp"
#include "objects.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_type;
using message_ptr = std::shared_ptr<message_box>;

const py::detail::type_info* part_type = nullptr;
const py::detail::type_info* message_type = nullptr;
const py::detail::type_info* limits_type = nullptr;

// The C++ value of `self`, an instance of `type` or of a Python subclass.
template <typename T>
T* value_of(PyObject* self, const py::detail::type_info* type) {
  auto* inst = reinterpret_cast<py::detail::instance*>(self);
  return static_cast<T*>(inst->get_value_and_holder(type).value_ptr());
}

// Sets the Python error for the C++ exception being handled, as the bound
// functions' translators do.
void set_error() {
  try {
    throw;
  } catch (py::error_already_set& error) {
    error.restore();
  } catch (const py::builtin_exception& error) {
    error.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::runtime_error& error) {
    set_library_error(error);
  }
}

// A new Python object of `type` that owns `value` through `holder`, made as
// pybind11's own casts make one, minus the lookup of the type by its C++
// name that they repeat for every object.
template <typename Holder>
PyObject* wrap(const py::detail::type_info* type, void* value, Holder holder) {
  PyObject* self = py::detail::make_new_instance(type->type);
  if (!self) throw py::error_already_set();
  auto* inst = reinterpret_cast<py::detail::instance*>(self);
  py::detail::value_and_holder slot = inst->get_value_and_holder(type);
  slot.value_ptr() = value;
  new (std::addressof(slot.holder<Holder>())) Holder(std::move(holder));
  slot.set_holder_constructed();
  inst->owned = true;
  py::detail::register_instance(inst, value, type);
  slot.set_instance_registered();
  return self;
}

PyObject* new_part(const message_ptr& box, vexal_part_type which) {
  auto part = std::make_unique<part_ref>(box, which);
  part_ref* value = part.get();
  return wrap(part_type, value, std::move(part));
}

template <vexal_part_type Which>
PyObject* get_part(PyObject* self, void*) {
  try {
    auto* inst = reinterpret_cast<py::detail::instance*>(self);
    auto holder = inst->get_value_and_holder(message_type);
    return new_part(holder.holder<message_ptr>(), Which);
  } catch (...) {
    set_error();
    return nullptr;
  }
}

PyObject* get_payload(PyObject* self, void*) {
  try {
    const part_ref* part = value_of<part_ref>(self, part_type);
    // Bytes kept as the payload are that payload: no copy is needed.
    if (PyObject* kept = part->kept()) {
      Py_INCREF(kept);
      return kept;
    }
    const std::vector<uint8_t>& payload = part->get().get_payload();
    return PyBytes_FromStringAndSize(
        reinterpret_cast<const char*>(payload.data()),
        static_cast<Py_ssize_t>(payload.size()));
  } catch (...) {
    set_error();
    return nullptr;
  }
}

// The argument named `name`: positional at `index` or by keyword.
PyObject* argument(PyObject* const* args, Py_ssize_t positional,
                   PyObject* names, Py_ssize_t index, const char* name) {
  if (index < positional) return args[index];
  const Py_ssize_t keywords = names ? PyTuple_GET_SIZE(names) : 0;
  for (Py_ssize_t i = 0; i < keywords; ++i) {
    if (PyUnicode_CompareWithASCIIString(PyTuple_GET_ITEM(names, i), name) ==
        0) {
      return args[positional + i];
    }
  }
  return nullptr;
}

PyObject* parse(PyObject*, PyObject* const* args, size_t nargsf,
                PyObject* names) {
  try {
    const Py_ssize_t positional = PyVectorcall_NARGS(nargsf);
    const Py_ssize_t keywords = names ? PyTuple_GET_SIZE(names) : 0;
    PyObject* data = argument(args, positional, names, 0, "data");
    PyObject* offset_arg = argument(args, positional, names, 1, "offset");
    PyObject* limits_arg = argument(args, positional, names, 2, "limits");
    const Py_ssize_t given =
        (data != nullptr) + (offset_arg != nullptr) + (limits_arg != nullptr);
    if (!data || positional > 2 || given - positional != keywords) {
      throw py::type_error(
          "parse() takes data, offset=0 and the keyword argument limits");
    }
    const size_t offset = offset_arg ? PyLong_AsSize_t(offset_arg) : 0;
    if (offset == static_cast<size_t>(-1) && PyErr_Occurred()) {
      return nullptr;
    }
    kelvo::vexal_limits limits = kelvo::vexal_limits::unlimited();
    if (limits_arg && limits_arg != Py_None) {
      if (!PyObject_TypeCheck(limits_arg, limits_type->type)) {
        PyErr_Format(PyExc_TypeError,
                     "limits must be a vexal.Limits or None, not '%s'",
                     Py_TYPE(limits_arg)->tp_name);
        return nullptr;
      }
      limits = *value_of<kelvo::vexal_limits>(limits_arg, limits_type);
    }
    const byte_view view(data);
    auto box = std::make_shared<message_box>();
    const size_t rest = view.size() - std::min(offset, view.size());
    // Nobody else can see the new message: no lock is needed.
    std::optional<py::gil_scoped_release> without_gil;
    if (rest >= gil_free_bytes) without_gil.emplace();
    const size_t end =
        box->message.parse(view.data(), view.size(), offset, limits);
    without_gil.reset();
    if (end == offset) {
      return py::make_tuple(py::none(), offset).release().ptr();
    }
    message_box* value = box.get();
    auto message = py::reinterpret_steal<py::object>(
        wrap(message_type, value, std::move(box)));
    return py::make_tuple(std::move(message), end).release().ptr();
  } catch (...) {
    set_error();
    return nullptr;
  }
}

// Gives property `name` of `type`, bound with a setter only, the getter
// `get`, keeping its setter and docstring.
void install_getter(py::handle type, const char* name, getter get) {
  const py::object bound = type.attr("__dict__")[name];
  auto* definition = new PyGetSetDef{
      name, get,
      [](PyObject* self, PyObject* value, void* closure) -> int {
        auto* property = static_cast<PyObject*>(closure);
        return Py_TYPE(property)->tp_descr_set(property, self, value);
      },
      PyUnicode_AsUTF8(bound.attr("__doc__").ptr()), bound.inc_ref().ptr()};
  py::object descriptor = py::reinterpret_steal<py::object>(PyDescr_NewGetSet(
      reinterpret_cast<PyTypeObject*>(type.ptr()), definition));
  if (!descriptor) throw py::error_already_set();
  type.attr(name) = descriptor;
}

}  // namespace

void define_fast_paths(py::module_& module) {
  part_type = py::detail::get_type_info(typeid(part_ref));
  message_type = py::detail::get_type_info(typeid(message_box));
  limits_type = py::detail::get_type_info(typeid(kelvo::vexal_limits));
  const py::object message_class = module.attr("Message");
  install_getter(message_class, "first", &get_part<vexal_part_type::first>);
  install_getter(message_class, "second", &get_part<vexal_part_type::second>);
  install_getter(module.attr("Part"), "payload", &get_payload);

  // The signature line lets inspect.signature read the parameters.
  static PyMethodDef parse_definition{
      "parse",
      reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&parse)),
      METH_FASTCALL | METH_KEYWORDS,
      "parse(data, offset=0, *, limits=None)\n--\n\n"
      "The message at `offset` of any bytes-like `data` and the offset after "
      "it, or (None, offset) when no whole message is there. With `limits`, "
      "larger messages and payloads are refused. Raises vexal.Error for "
      "malformed input, vexal.LimitError for a limit exceeded."};
  module.attr("parse") = py::reinterpret_steal<py::object>(PyCFunction_NewEx(
      &parse_definition, nullptr, module.attr("__name__").ptr()));
}

}  // namespace vexal_python
