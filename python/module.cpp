// SPDX-License-Identifier: MIT
// Entry point of the extension vexal._vexal, which the package vexal
// re-exports. A thin layer over libvexal: every behaviour is the library's,
// the bindings only convert types and map errors.
#include <pybind11/pybind11.h>

#include "bindings.hpp"
#include "enums.hpp"
#include "vexal/version.hpp"

namespace py = pybind11;

PYBIND11_MODULE(_vexal, module) {
  module.doc() = "Compose and parse vexal messages with libvexal.";
  module.attr("__version__") = kelvo::vexal_version::get_string();
  vexal_python::define_error(module);
  vexal_python::define_enums(module);
  vexal_python::define_limits(module);
  vexal_python::define_part(module);
  vexal_python::define_message(module);
  vexal_python::define_view(module);
  vexal_python::define_reader(module);
  vexal_python::define_fast_paths(module);
}
