// SPDX-License-Identifier: MIT
// vexal.Message over the library's message; vexal.parse and the parts'
// getters are plain CPython functions (fast_paths.cpp), composing is
// compose.cpp's.

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "compose.hpp"
#include "objects.hpp"
#include "vexal/vexal.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using message_ptr = std::shared_ptr<message_box>;

// Gives the typed part `part` what `source` holds: None makes it empty, a
// Part is copied, anything else is read as a bytes-like payload. The part
// keeps its place's type.
template <typename TypedPart>
void assign(TypedPart& part, py::handle source) {
  if (source.is_none()) {
    static_cast<vexal_part_ctx&>(part) = vexal_part_ctx();
    part.init();
    return;
  }
  if (py::isinstance<part_ref>(source)) {
    static_cast<vexal_part_ctx&>(part) = source.cast<const part_ref&>().get();
    part.init();
    return;
  }
  part.set_payload(byte_view(source).copy());
}

// Gives a new message's part what `source` holds, as assign does, except
// that a bytes payload is kept as it is, not copied (objects.hpp).
template <typename TypedPart>
void start(TypedPart& part, py::object& kept, const py::object& source) {
  if (PyBytes_CheckExact(source.ptr())) {
    kept = source;
  } else {
    assign(part, source);
  }
}

// Replaces one part of a message that Python may already share.
template <vexal_part_type Which>
void set_part(const message_ptr& box, const py::object& source) {
  check_unviewed(box->views[Which == vexal_part_type::first ? 0 : 1]);
  // Settled before the lock is taken, since settling takes it.
  box->settle();
  if (py::isinstance<part_ref>(source)) source.cast<const part_ref&>().get();
  const std::unique_lock<std::shared_mutex> lock(box->guard);
  ++box->version;
  if constexpr (Which == vexal_part_type::first) {
    assign(box->message.first(), source);
  } else {
    assign(box->message.second(), source);
  }
}

std::string repr(const message_ptr& box) {
  return "Message(first=" +
         py::repr(py::cast(part_ref(box, vexal_part_type::first)))
             .cast<std::string>() +
         ", second=" +
         py::repr(py::cast(part_ref(box, vexal_part_type::second)))
             .cast<std::string>() +
         ")";
}

message_ptr make_message(const py::object& first, const py::object& second) {
  auto box = std::make_shared<message_box>();
  start(box->message.first(), box->kept[0], first);
  start(box->message.second(), box->kept[1], second);
  return box;
}

}  // namespace

void define_message(py::module_& module) {
  py::class_<message_box, message_ptr> type(
      module, "Message",
      "A two-part vexal message: `first` (type 1), then `second` (type 0).");
  type.attr("__module__") = "vexal";
  type.def(py::init(&make_message), py::arg("first") = py::none(),
           py::arg("second") = py::none())
      .def_property(
          "first", py::cpp_function(), &set_part<vexal_part_type::first>,
          "The message's own first part; set from a Part or bytes-like.")
      .def_property(
          "second", py::cpp_function(), &set_part<vexal_part_type::second>,
          "The message's own second part; set from a Part or bytes-like.")
      .def("compose", &compose_bytes,
           "The message's wire bytes. Raises vexal.Error for a value "
           "outside its enumeration.")
      .def(
          "__eq__",
          [](message_box& left, message_box& right) {
            left.settle();
            right.settle();
            return left.message == right.message;
          },
          py::is_operator())
      .def(py::pickle(
          [](const message_ptr& box) {
            return py::make_tuple(part_ref(box, vexal_part_type::first),
                                  part_ref(box, vexal_part_type::second));
          },
          [](const py::tuple& state) {
            return make_message(state[0], state[1]);
          }))
      .def("__repr__", &repr);
}

}  // namespace vexal_python
