// SPDX-License-Identifier: MIT
// vexal.Limits over vexal_limits, and vexal.Reader over vexal_reader: feed
// bytes as they arrive, iterate to get each whole message. Feeding reads the
// caller's buffer in place; feeding and parsing large data run without the
// GIL, under the reader's lock (locking.hpp).
#include "vexal/reader.hpp"

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "bindings.hpp"
#include "byte_view.hpp"
#include "locking.hpp"
#include "objects.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_limits;

struct reader_box {
  explicit reader_box(vexal_limits limits) : reader(limits) {}
  kelvo::vexal_reader reader;
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

void feed(reader_box& box, const py::buffer& data) {
  const byte_view view(data);
  run_locked<reader_lock>(box.guard, view.size() >= gil_free_bytes,
                          [&] { box.reader.feed(view.data(), view.size()); });
}

std::shared_ptr<message_box> next(reader_box& box) {
  auto message = std::make_shared<message_box>();
  const bool large = run_locked<reader_lock>(box.guard, false, [&] {
                       return box.reader.buffered();
                     }) >= gil_free_bytes;
  if (!run_locked<reader_lock>(box.guard, large, [&] {
        return box.reader.next(message->message);
      })) {
    throw py::stop_iteration();
  }
  return message;
}

std::string repr(const vexal_limits& limits) {
  return "vexal.Limits(max_message_size=" +
         std::to_string(limits.max_message_size) +
         ", max_payload_size=" + std::to_string(limits.max_payload_size) + ")";
}

}  // namespace

void define_reader(py::module_& module) {
  const vexal_limits defaults;
  py::class_<vexal_limits>(module, "Limits",
                           "What one message may cost: its size on the wire "
                           "and the size of each part's payload, inclusive.")
      .def(py::init([](size_t max_message_size, size_t max_payload_size) {
             return vexal_limits{max_message_size, max_payload_size};
           }),
           py::arg("max_message_size") = defaults.max_message_size,
           py::arg("max_payload_size") = defaults.max_payload_size)
      .def_static("unlimited", &vexal_limits::unlimited,
                  "Both limits at their largest value.")
      .def_readwrite("max_message_size", &vexal_limits::max_message_size)
      .def_readwrite("max_payload_size", &vexal_limits::max_payload_size)
      .def("__repr__", &repr);

  py::class_<reader_box, reader_ptr>(
      module, "Reader",
      "Cuts a stream into messages within limits: feed() the bytes as they "
      "arrive and iterate to get each whole message. A refused message "
      "raises vexal.Error until skip().")
      .def(py::init([](size_t max_message_size, size_t max_payload_size) {
             return std::make_shared<reader_box>(
                 vexal_limits{max_message_size, max_payload_size});
           }),
           py::arg("max_message_size") = defaults.max_message_size,
           py::arg("max_payload_size") = defaults.max_payload_size)
      .def("feed", &feed, py::arg("data"),
           "Appends the bytes of any bytes-like object to the stream.")
      .def("__iter__", [](const reader_ptr& box) { return box; })
      .def("__next__", &next)
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
          "Drops the message that was refused and goes on after it.");
}

}  // namespace vexal_python
