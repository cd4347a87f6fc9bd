// SPDX-License-Identifier: MIT
// MessageView, as parse_view and Reader.next_view make it (view.cpp).
#ifndef VEXAL_PYTHON_VIEW_HPP
#define VEXAL_PYTHON_VIEW_HPP

#include <cstddef>
#include <cstdint>

#include "bindings.hpp"
#include "vexal/view.hpp"

namespace vexal_python {

/// A MessageView of the message at `offset` of `source`'s buffer, which it
/// holds; its payloads inflate within `limits`, and their errors carry
/// `origin`. Sets `end` to the offset after the message, or leaves it at
/// `offset` when no whole message is there. Throws as vexal_view::parse.
PyObject* new_message_view(PyObject* source, size_t offset,
                           const kelvo::vexal_limits& limits, uint64_t origin,
                           size_t& end);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_VIEW_HPP
