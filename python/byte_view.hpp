// SPDX-License-Identifier: MIT
// Borrowed bytes of any Python object that offers the buffer protocol
// (bytes, bytearray, memoryview, array, numpy arrays), read in place as one
// contiguous run. While a view exists its exporter cannot resize the buffer,
// so the bytes may be read with the GIL released; the view itself must be
// made and dropped with the GIL held.
#ifndef VEXAL_PYTHON_BYTE_VIEW_HPP
#define VEXAL_PYTHON_BYTE_VIEW_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bindings.hpp"

namespace vexal_python {

class byte_view {
 public:
  /// Throws python_error: TypeError for an object without the buffer
  /// protocol, BufferError for a buffer that is not contiguous.
  explicit byte_view(PyObject* object) {
    if (PyObject_GetBuffer(object, &view_, PyBUF_SIMPLE) != 0) {
      throw python_error();
    }
  }
  ~byte_view() { PyBuffer_Release(&view_); }
  byte_view(const byte_view&) = delete;
  byte_view& operator=(const byte_view&) = delete;

  const uint8_t* data() const { return static_cast<const uint8_t*>(view_.buf); }
  size_t size() const { return static_cast<size_t>(view_.len); }
  std::vector<uint8_t> copy() const { return {data(), data() + size()}; }

 private:
  Py_buffer view_{};
};

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_BYTE_VIEW_HPP
