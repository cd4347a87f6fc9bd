// SPDX-License-Identifier: MIT
// Message.compose: the wire bytes written once, straight into a new bytes
// object of their final size.
#ifndef VEXAL_PYTHON_COMPOSE_HPP
#define VEXAL_PYTHON_COMPOSE_HPP

#include <pybind11/pybind11.h>

#include "objects.hpp"

namespace vexal_python {

/// The message's wire bytes. Raises vexal.Error as the library's compose
/// does, for the first part's faults before the second's.
pybind11::bytes compose_bytes(message_box& box);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_COMPOSE_HPP
