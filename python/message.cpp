// SPDX-License-Identifier: MIT
// vexal.Message over the library's message, and vexal.parse over its parse.
// Composing and parsing large data runs without the GIL (locking.hpp).
#include <pybind11/stl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "compose.hpp"
#include "locking.hpp"
#include "objects.hpp"
#include "vexal/reader.hpp"

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

// Replaces one part of a message that Python may already share.
template <vexal_part_type Which>
void set_part(const message_ptr& box, const py::object& source) {
  check_unviewed(box->views[Which == vexal_part_type::first ? 0 : 1]);
  const std::unique_lock<std::shared_mutex> lock(box->guard);
  ++box->version;
  if constexpr (Which == vexal_part_type::first) {
    assign(box->message.first(), source);
  } else {
    assign(box->message.second(), source);
  }
}

// Parses the message at `offset` of the buffer in place. Returns the bytes
// consumed, 0 when there is no whole message.
size_t parse_at(const byte_view& data, size_t offset,
                const kelvo::vexal_limits& limits, kelvo::vexal& message) {
  return message.parse(data.data(), data.size(), offset, limits) - offset;
}

py::tuple parse(const py::object& data, size_t offset,
                const std::optional<kelvo::vexal_limits>& limits) {
  const byte_view view(data);
  auto box = std::make_shared<message_box>();
  // Nobody else can see the new message, so its lock is free.
  const size_t consumed = run_locked<std::unique_lock<std::shared_mutex>>(
      box->guard, view.size() - std::min(offset, view.size()) >= gil_free_bytes,
      [&] {
        return parse_at(view, offset,
                        limits.value_or(kelvo::vexal_limits::unlimited()),
                        box->message);
      });
  if (consumed == 0) return py::make_tuple(py::none(), offset);
  return py::make_tuple(std::move(box), offset + consumed);
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
  assign(box->message.first(), first);
  assign(box->message.second(), second);
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
          "first",
          [](const message_ptr& box) {
            return part_ref(box, vexal_part_type::first);
          },
          &set_part<vexal_part_type::first>,
          "The message's own first part; set from a Part or bytes-like.")
      .def_property(
          "second",
          [](const message_ptr& box) {
            return part_ref(box, vexal_part_type::second);
          },
          &set_part<vexal_part_type::second>,
          "The message's own second part; set from a Part or bytes-like.")
      .def("compose", &compose_bytes,
           "The message's wire bytes. Raises vexal.Error for a value "
           "outside its enumeration.")
      .def(
          "__eq__",
          [](const message_box& left, const message_box& right) {
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

  module.def("parse", &parse, py::arg("data"), py::arg("offset") = 0,
             py::kw_only(), py::arg("limits") = py::none(),
             "The message at `offset` of any bytes-like `data` and the "
             "offset after it, or (None, offset) when no whole message is "
             "there. With `limits`, larger messages and payloads are "
             "refused. Raises vexal.Error for malformed input.");
}

}  // namespace vexal_python
