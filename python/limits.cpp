// SPDX-License-Identifier: MIT
// vexal.Limits over vexal_limits: a plain value that compares, prints,
// pickles and copies by its two sizes.
#include "vexal/limits.hpp"

#include <string>
#include <utility>

#include "bindings.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_limits;

std::string repr(const vexal_limits& limits) {
  return "Limits(max_message_size=" + std::to_string(limits.max_message_size) +
         ", max_payload_size=" + std::to_string(limits.max_payload_size) + ")";
}

}  // namespace

void define_limits(py::module_& module) {
  const vexal_limits defaults;
  py::class_<vexal_limits> type(module, "Limits",
                                "What one message may cost: its size on the "
                                "wire and the size of each part's payload, "
                                "inclusive.");
  type.attr("__module__") = "vexal";
  type.def(py::init([](size_t max_message_size, size_t max_payload_size) {
             return vexal_limits{max_message_size, max_payload_size};
           }),
           py::arg("max_message_size") = defaults.max_message_size,
           py::arg("max_payload_size") = defaults.max_payload_size)
      .def_static("unlimited", &vexal_limits::unlimited,
                  "Both limits at their largest value.")
      .def_readwrite("max_message_size", &vexal_limits::max_message_size)
      .def_readwrite("max_payload_size", &vexal_limits::max_payload_size)
      .def(
          "__eq__",
          [](const vexal_limits& left, const vexal_limits& right) {
            return left.max_message_size == right.max_message_size &&
                   left.max_payload_size == right.max_payload_size;
          },
          py::is_operator())
      .def(py::pickle(
          [](const vexal_limits& limits) {
            return py::make_tuple(limits.max_message_size,
                                  limits.max_payload_size);
          },
          [](const py::tuple& state) {
            return vexal_limits{state[0].cast<size_t>(),
                                state[1].cast<size_t>()};
          }))
      .def("__repr__", &repr);
}

}  // namespace vexal_python
