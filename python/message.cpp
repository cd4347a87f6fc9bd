// SPDX-License-Identifier: MIT
// vexal.Message over the library's message, and vexal.parse over its parse.
// Composing and parsing large data runs without the GIL (locking.hpp).
#include <algorithm>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "locking.hpp"
#include "objects.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using message_ptr = std::shared_ptr<message_box>;

// Gives the typed part `part` what `source` holds: None leaves it as it is,
// a Part is copied, anything else is read as a bytes-like payload. The part
// keeps its place's type.
template <typename TypedPart>
void assign(TypedPart& part, py::handle source) {
  if (source.is_none()) return;
  if (py::isinstance<part_ref>(source)) {
    static_cast<vexal_part_ctx&>(part) = source.cast<const part_ref&>().get();
    part.init();
    return;
  }
  part.set_payload(byte_view(source).copy());
}

// Replaces one part of a message that Python may already share.
template <vexal_part_type Which>
void set_part(const message_ptr& box, py::handle source) {
  const std::unique_lock<std::shared_mutex> lock(box->guard);
  if constexpr (Which == vexal_part_type::first) {
    assign(box->message.first(), source);
  } else {
    assign(box->message.second(), source);
  }
}

py::bytes compose(message_box& box) {
  const size_t payloads = box.message.first().get_payload().size() +
                          box.message.second().get_payload().size();
  const std::vector<uint8_t> bytes =
      run_locked<std::shared_lock<std::shared_mutex>>(
          box.guard, payloads >= gil_free_bytes,
          [&] { return box.message.compose(); });
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The library parses from a std::vector, so the bytes from `offset` on are
// copied. Copying all of them would make a loop over a buffer of many
// messages quadratic, so the copy is a window that starts small and doubles
// until the message is whole in it or the input ends. A parse reads no byte
// past its message and refuses only parts that are whole, so a window that
// holds the message parses it exactly as the whole input would, errors
// included. Returns the bytes consumed, 0 when there is no whole message.
constexpr size_t first_window = 4096;

size_t parse_window(const byte_view& data, size_t offset,
                    kelvo::vexal& message) {
  const size_t available = data.size() - std::min(offset, data.size());
  for (size_t window = first_window;; window *= 2) {
    const std::vector<uint8_t> bytes = data.copy(offset, window);
    const size_t end = message.parse(bytes, 0);
    if (end != 0 || bytes.size() == available) return end;
  }
}

py::tuple parse(const py::buffer& data, size_t offset) {
  const byte_view view(data);
  auto box = std::make_shared<message_box>();
  // Nobody else can see the new message, so its lock is free.
  const size_t consumed = run_locked<std::unique_lock<std::shared_mutex>>(
      box->guard, view.size() - std::min(offset, view.size()) >= gil_free_bytes,
      [&] { return parse_window(view, offset, box->message); });
  if (consumed == 0) return py::make_tuple(py::none(), offset);
  return py::make_tuple(std::move(box), offset + consumed);
}

std::string repr(const message_ptr& box) {
  return "vexal.Message(first=" +
         py::repr(py::cast(part_ref(box, vexal_part_type::first)))
             .cast<std::string>() +
         ", second=" +
         py::repr(py::cast(part_ref(box, vexal_part_type::second)))
             .cast<std::string>() +
         ")";
}

}  // namespace

void define_message(py::module_& module) {
  py::class_<message_box, message_ptr>(
      module, "Message",
      "A two-part vexal message: `first` (type 1), then `second` (type 0).")
      .def(py::init([](py::handle first, py::handle second) {
             auto box = std::make_shared<message_box>();
             assign(box->message.first(), first);
             assign(box->message.second(), second);
             return box;
           }),
           py::arg("first") = py::none(), py::arg("second") = py::none())
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
      .def("compose", &compose,
           "The message's wire bytes. Raises vexal.Error for a value "
           "outside its enumeration.")
      .def(
          "__eq__",
          [](const message_box& left, const message_box& right) {
            return left.message == right.message;
          },
          py::is_operator())
      .def("__repr__", &repr);

  module.def("parse", &parse, py::arg("data"), py::arg("offset") = 0,
             "The message at `offset` of any bytes-like `data` and the "
             "offset after it, or (None, offset) when no whole message is "
             "there. Raises vexal.Error for malformed input.");
}

}  // namespace vexal_python
