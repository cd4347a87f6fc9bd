// SPDX-License-Identifier: MIT
// vexal.Part over the library's part record: payload, format and
// compression read and written, the part type read, and equality of
// vexal_part_ctx (format, compression and payload; not the type).

#include <string>
#include <utility>
#include <vector>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "enums.hpp"
#include "objects.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;

py::bytes payload_bytes(const vexal_part_ctx& part) {
  const std::vector<uint8_t>& payload = part.get_payload();
  return {reinterpret_cast<const char*>(payload.data()), payload.size()};
}

// A code as Python source: Format.BYTES, or the plain int when the value is
// outside its enumeration.
std::string code_repr(const py::object& code) {
  if (!py::hasattr(code, "name")) return py::repr(code).cast<std::string>();
  return py::str(code.get_type().attr("__name__")).cast<std::string>() + "." +
         code.attr("name").cast<std::string>();
}

// The constructor call that makes an equal part.
std::string repr(const part_ref& part) {
  const vexal_part_ctx& record = part.get();
  return "Part(payload=" + py::repr(payload_bytes(record)).cast<std::string>() +
         ", format=" + code_repr(py::cast(record.get_format())) +
         ", compression=" + code_repr(py::cast(record.get_compression())) + ")";
}

// What pickling keeps of a part: payload, format and compression.
py::tuple state_of(const part_ref& part) {
  const vexal_part_ctx& record = part.get();
  return py::make_tuple(payload_bytes(record),
                        static_cast<int32_t>(record.get_format()),
                        static_cast<int32_t>(record.get_compression()));
}

part_ref make_part(const py::object& payload, format format,
                   compression compression) {
  part_ref part;
  std::vector<uint8_t> bytes = byte_view(payload).copy();
  part.change([&](vexal_part_ctx& record) {
    record.set_payload(std::move(bytes));
    record.set_format(format);
    record.set_compression(compression);
  });
  return part;
}

// The buffer protocol: the payload read-only, in place. The part refuses
// changes until every view is released (objects.hpp).
int get_buffer(PyObject* self, Py_buffer* view, int flags) {
  static uint8_t no_bytes = 0;
  try {
    auto& part = py::handle(self).cast<part_ref&>();
    const std::vector<uint8_t>& payload = part.get().get_payload();
    void* data =
        payload.empty() ? &no_bytes : const_cast<uint8_t*>(payload.data());
    if (PyBuffer_FillInfo(view, self, data,
                          static_cast<Py_ssize_t>(payload.size()), 1,
                          flags) != 0) {
      return -1;
    }
    ++part.views();
    return 0;
  } catch (py::error_already_set& error) {
    error.restore();
  } catch (const py::cast_error&) {
    PyErr_SetString(PyExc_TypeError, "a vexal.Part was expected");
  }
  return -1;
}

void release_buffer(PyObject* self, Py_buffer*) {
  --py::handle(self).cast<part_ref&>().views();
}

}  // namespace

void define_part(py::module_& module) {
  py::class_<part_ref> type(
      module, "Part", py::buffer_protocol(),
      "One part of a message: a payload with its format and compression. A "
      "part taken from a message is that message's own part. Its payload "
      "can be read in place, as memoryview(part).");
  type.attr("__module__") = "vexal";
  auto* heap_type = reinterpret_cast<PyHeapTypeObject*>(type.ptr());
  heap_type->as_buffer.bf_getbuffer = get_buffer;
  heap_type->as_buffer.bf_releasebuffer = release_buffer;
  type.def(py::init(&make_part), py::arg("payload") = py::bytes(),
           py::arg("format") = format::bytes,
           py::arg("compression") = compression::none)
      // Read by a plain CPython getter (fast_paths.cpp).
      .def_property(
          "payload", py::cpp_function(),
          [](part_ref& part, const py::object& payload) {
            std::vector<uint8_t> bytes = byte_view(payload).copy();
            part.change([&](vexal_part_ctx& record) {
              record.set_payload(std::move(bytes));
            });
          },
          "The uncompressed payload; set from any bytes-like object.")
      .def_property(
          "format",
          [](const part_ref& part) { return part.get().get_format(); },
          [](part_ref& part, format format) {
            part.change(
                [&](vexal_part_ctx& record) { record.set_format(format); });
          },
          "The payload's Format; any int is stored and checked when "
          "composed.")
      .def_property(
          "compression",
          [](const part_ref& part) { return part.get().get_compression(); },
          [](part_ref& part, compression compression) {
            part.change([&](vexal_part_ctx& record) {
              record.set_compression(compression);
            });
          },
          "The Compression applied when composed; any int is stored and "
          "checked when composed.")
      .def_property_readonly(
          "type",
          [](const part_ref& part) {
            return static_cast<int32_t>(part.type());
          },
          "1 for a message's first part, 0 for its second or a part of its "
          "own.")
      .def(
          "__eq__",
          [](const part_ref& left, const part_ref& right) {
            return left.get() == right.get();
          },
          py::is_operator())
      .def("__len__", [](const part_ref& part) { return part.payload_size(); })
      .def(py::pickle(&state_of,
                      [](const py::tuple& state) {
                        return make_part(state[0], state[1].cast<format>(),
                                         state[2].cast<compression>());
                      }))
      .def("__repr__", &repr);
}

}  // namespace vexal_python
