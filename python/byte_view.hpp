// SPDX-License-Identifier: MIT
// Borrowed bytes of any Python object that offers the buffer protocol
// (bytes, bytearray, memoryview, array, numpy arrays), read in place as one
// contiguous run. While a view exists its exporter cannot resize the buffer,
// so the bytes may be read with the GIL released; the view itself must be
// made and dropped with the GIL held.
#ifndef VEXAL_PYTHON_BYTE_VIEW_HPP
#define VEXAL_PYTHON_BYTE_VIEW_HPP

#include <pybind11/pybind11.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexal_python {

class byte_view {
 public:
  /// Raises TypeError for an object without the buffer protocol and
  /// BufferError for a buffer that is not contiguous.
  explicit byte_view(pybind11::handle object) {
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) {
      throw pybind11::error_already_set();
    }
  }
  ~byte_view() { PyBuffer_Release(&view_); }
  byte_view(const byte_view&) = delete;
  byte_view& operator=(const byte_view&) = delete;

  const uint8_t* data() const { return static_cast<const uint8_t*>(view_.buf); }
  size_t size() const { return static_cast<size_t>(view_.len); }

  /// A copy of up to `count` bytes from `offset` on, fewer where the
  /// buffer ends; empty when `offset` is at or past the end.
  std::vector<uint8_t> copy(size_t offset = 0, size_t count = SIZE_MAX) const {
    const size_t begin = std::min(offset, size());
    const size_t taken = std::min(count, size() - begin);
    return {data() + begin, data() + begin + taken};
  }

 private:
  Py_buffer view_{};
};

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_BYTE_VIEW_HPP
