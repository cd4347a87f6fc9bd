// SPDX-License-Identifier: MIT
// vexal.parse_view over vexal_view: a message read in place in the caller's
// buffer. A MessageView holds the buffer (so it cannot be resized while the
// view lives) and its parts hand out read-only memoryviews into it, which
// keep the buffer alive on their own. A compressed part's payload is
// inflated when asked for, within the limits given to parse_view.
#include "vexal/view.hpp"

#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "bindings.hpp"
#include "byte_view.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_limits;
using kelvo::vexal_part_view;

struct view_box {
  view_box(const py::object& source, const vexal_limits& limits)
      : source(source), bytes(source), limits(limits) {}
  py::object source;
  byte_view bytes;
  vexal_limits limits;
  kelvo::vexal_view view;
};
using view_ptr = std::shared_ptr<view_box>;

struct part_view_ref {
  view_ptr owner;
  bool first;
  const vexal_part_view& get() const {
    return first ? owner->view.first() : owner->view.second();
  }
};

// A read-only memoryview of `size` bytes at `data` in the view's buffer.
py::object slice_of(const view_box& box, const uint8_t* data, size_t size) {
  py::object whole = py::reinterpret_steal<py::object>(
      PyMemoryView_FromObject(box.source.ptr()));
  if (!whole) throw py::error_already_set();
  whole = whole.attr("cast")("B").attr("toreadonly")();
  const auto begin = static_cast<py::ssize_t>(data - box.bytes.data());
  return whole[py::slice(begin, begin + static_cast<py::ssize_t>(size), 1)];
}

py::object payload(const part_view_ref& part) {
  const vexal_part_view& view = part.get();
  if (!view.compressed()) {
    return slice_of(*part.owner, view.payload_data(), view.payload_size());
  }
  const std::vector<uint8_t> bytes = view.payload(part.owner->limits);
  return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

py::tuple parse_view(const py::object& data, size_t offset,
                     const std::optional<vexal_limits>& limits) {
  auto box = std::make_shared<view_box>(
      data, limits.value_or(vexal_limits::unlimited()));
  const size_t end = box->view.parse(box->bytes.data(), box->bytes.size(),
                                     offset, box->limits);
  if (end == offset) return py::make_tuple(py::none(), offset);
  return py::make_tuple(std::move(box), end);
}

}  // namespace

void define_view(py::module_& module) {
  py::class_<part_view_ref> part(
      module, "PartView",
      "One part of a MessageView, as it lies in the caller's buffer.");
  part.attr("__module__") = "vexal";
  part.def_property_readonly(
          "stored",
          [](const part_view_ref& ref) {
            const vexal_part_view& view = ref.get();
            return slice_of(*ref.owner, view.stored_data(), view.stored_size());
          },
          "The stored bytes after the header: a read-only memoryview into "
          "the buffer.")
      .def_property_readonly(
          "payload", &payload,
          "The payload: the stored bytes as a memoryview for a part stored "
          "as is, the inflated bytes for a compressed one.")
      .def_property_readonly(
          "format",
          [](const part_view_ref& ref) { return ref.get().get_format(); })
      .def_property_readonly(
          "compression",
          [](const part_view_ref& ref) { return ref.get().get_compression(); })
      .def_property_readonly("compressed", [](const part_view_ref& ref) {
        return ref.get().compressed();
      });

  py::class_<view_box, view_ptr> message(
      module, "MessageView",
      "A message read in place by parse_view: it copies nothing and keeps "
      "the buffer alive and unresizable while it lives.");
  message.attr("__module__") = "vexal";
  message
      .def_property_readonly("first",
                             [](const view_ptr& box) {
                               return part_view_ref{box, true};
                             })
      .def_property_readonly("second",
                             [](const view_ptr& box) {
                               return part_view_ref{box, false};
                             })
      .def_property_readonly(
          "size", [](const view_box& box) { return box.view.size(); },
          "The message's length on the wire.")
      .def("__len__", [](const view_box& box) { return box.view.size(); });

  module.def("parse_view", &parse_view, py::arg("buffer"),
             py::arg("offset") = 0, py::kw_only(),
             py::arg("limits") = py::none(),
             "The message at `offset` of any bytes-like `buffer`, read in "
             "place, and the offset after it; (None, offset) when no whole "
             "message is there. Raises vexal.Error as parse does, except "
             "that a compressed part's zlib stream is checked only when its "
             "payload is read.");
}

}  // namespace vexal_python
