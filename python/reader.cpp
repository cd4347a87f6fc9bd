// SPDX-License-Identifier: MIT
// vexal.Reader over vexal_reader: feed bytes as they arrive, iterate to get
// each whole message. Feeding reads the caller's buffer in place; feeding
// and parsing large data run without the GIL, under the reader's lock
// (locking.hpp). A refused message raises vexal.Error or LimitError with
// `.offset`, the stream offset where that message starts; `wire` tells how
// the last message lay on the wire, as the named tuples WireMessage and
// WirePart.
#include "vexal/reader.hpp"

#include <pybind11/stl.h>

#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "locking.hpp"
#include "objects.hpp"
#include "vexal/constants.hpp"
#include "vexal/view.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_limits;

struct reader_box {
  explicit reader_box(vexal_limits limits) : reader(limits), limits(limits) {}
  kelvo::vexal_reader reader;
  vexal_limits limits;  // for inflating the parts of next_view()
  std::mutex guard;
};
using reader_ptr = std::shared_ptr<reader_box>;
using reader_lock = std::unique_lock<std::mutex>;

// Reads one property under the reader's lock, keeping the GIL.
template <typename Read>
auto locked_read(Read read) {
  return [read](reader_box& box) {
    return run_locked<reader_lock>(box.guard, false,
                                   [&] { return read(box.reader); });
  };
}

void feed(reader_box& box, const py::object& data) {
  const byte_view view(data);
  run_locked<reader_lock>(box.guard, view.size() >= gil_free_bytes,
                          [&] { box.reader.feed(view.data(), view.size()); });
}

std::shared_ptr<message_box> next(reader_box& box) {
  auto message = std::make_shared<message_box>();
  const bool large = run_locked<reader_lock>(box.guard, false, [&] {
                       return box.reader.buffered();
                     }) >= gil_free_bytes;
  size_t offset = 0;
  bool whole = false;
  try {
    whole = run_locked<reader_lock>(box.guard, large, [&] {
      offset = box.reader.offset();
      return box.reader.next(message->message);
    });
  } catch (const std::runtime_error& error) {
    raise_at(error, offset);
  }
  if (!whole) throw py::stop_iteration();
  return message;
}

// The next whole message as a MessageView over a bytes copy of its wire
// bytes, or None when more bytes are needed. The one copy makes the view
// independent of the reader's buffer, which the next feed may move.
py::object next_view(reader_box& box) {
  kelvo::vexal_view view;
  size_t offset = 0;
  std::string error;
  py::object wire;
  const auto status = run_locked<reader_lock>(box.guard, false, [&] {
    offset = box.reader.offset();
    const auto outcome = box.reader.try_next(view);
    if (outcome == kelvo::vexal_reader::status::message) {
      const uint8_t* start =
          view.first().stored_data() - kelvo::vexal_part_header_size;
      wire = py::bytes(reinterpret_cast<const char*>(start), view.size());
    } else {
      error = box.reader.error();
    }
    return outcome;
  });
  if (status == kelvo::vexal_reader::status::message) {
    return view_of(py::reinterpret_borrow<py::bytes>(wire), box.limits);
  }
  if (status == kelvo::vexal_reader::status::need_more) return py::none();
  if (status == kelvo::vexal_reader::status::out_of_memory) {
    throw std::bad_alloc();
  }
  raise_at(std::runtime_error(error), offset);
}

py::handle wire_part_type;
py::handle wire_message_type;

// A named tuple type of module vexal, alive for the rest of the process.
py::handle named_tuple(py::module_& module, const char* name,
                       const char* fields, const char* doc) {
  py::object type =
      py::module_::import("collections")
          .attr("namedtuple")(name, fields, py::arg("module") = "vexal");
  type.attr("__doc__") = doc;
  module.attr(name) = type;
  return type.release();
}

py::object wire(reader_box& box) {
  const kelvo::vexal_wire_message wire = run_locked<reader_lock>(
      box.guard, false, [&] { return box.reader.wire(); });
  py::tuple parts(wire.parts.size());
  for (size_t i = 0; i < wire.parts.size(); ++i) {
    const kelvo::vexal_wire_part& part = wire.parts[i];
    parts[i] =
        wire_part_type(part.stored_size, part.compressed, part.zlib_level_hint);
  }
  return wire_message_type(wire.offset, wire.size, parts);
}

std::shared_ptr<reader_box> make_reader(
    size_t max_message_size, size_t max_payload_size,
    const std::optional<vexal_limits>& limits) {
  if (!limits) {
    return std::make_shared<reader_box>(
        vexal_limits{max_message_size, max_payload_size});
  }
  const vexal_limits defaults;
  if (max_message_size != defaults.max_message_size ||
      max_payload_size != defaults.max_payload_size) {
    throw py::type_error("Reader() takes limits or the sizes, not both");
  }
  return std::make_shared<reader_box>(*limits);
}

}  // namespace

void define_reader(py::module_& module) {
  const vexal_limits defaults;
  wire_part_type = named_tuple(
      module, "WirePart", "stored_size compressed level_hint",
      "How one part lay on the wire: its stored length, whether it was a "
      "zlib stream, and the level class (0-3) that stream's header records.");
  wire_message_type = named_tuple(
      module, "WireMessage", "offset size parts",
      "Where a message lay in the stream, its length on the wire and its "
      "two WireParts, first part first.");
  py::class_<reader_box, reader_ptr> type(
      module, "Reader",
      "Cuts a stream into messages within limits: feed() the bytes as they "
      "arrive and iterate to get each whole message. A refused message "
      "raises vexal.Error until skip().");
  type.attr("__module__") = "vexal";
  type.def(py::init(&make_reader),
           py::arg("max_message_size") = defaults.max_message_size,
           py::arg("max_payload_size") = defaults.max_payload_size,
           py::kw_only(), py::arg("limits") = py::none())
      .def("feed", &feed, py::arg("data"),
           "Appends the bytes of any bytes-like object to the stream.")
      .def("__iter__", [](const reader_ptr& box) { return box; })
      .def("__next__", &next)
      .def("next_view", &next_view,
           "The next whole message read in place as a MessageView over one "
           "copy of its bytes, or None when more bytes are needed. Raises "
           "as iteration does; a compressed part's zlib stream is checked "
           "when its payload is read.")
      .def_property_readonly(
          "offset",
          locked_read([](const kelvo::vexal_reader& r) { return r.offset(); }),
          "Stream offset where the next message starts.")
      .def_property_readonly("buffered",
                             locked_read([](const kelvo::vexal_reader& r) {
                               return r.buffered();
                             }),
                             "Bytes fed and not yet consumed.")
      .def_property_readonly(
          "needed",
          locked_read([](const kelvo::vexal_reader& r) { return r.needed(); }),
          "Bytes still missing before the next message can be whole.")
      .def(
          "skip",
          [](reader_box& box) {
            run_locked<reader_lock>(box.guard, false,
                                    [&] { box.reader.skip(); });
          },
          "Drops the message that was refused and goes on after it.")
      .def_property_readonly(
          "wire", &wire,
          "The WireMessage of the message that iteration last returned.")
      .def("__repr__", [](reader_box& box) {
        const auto [offset, buffered] =
            run_locked<reader_lock>(box.guard, false, [&] {
              return std::make_pair(box.reader.offset(), box.reader.buffered());
            });
        return "<vexal.Reader offset=" + std::to_string(offset) +
               " buffered=" + std::to_string(buffered) + ">";
      });
}

}  // namespace vexal_python
