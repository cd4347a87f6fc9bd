// SPDX-License-Identifier: MIT
// Composes a message into one bytes object allocated at its final size. A
// part stored as is costs one copy, of its payload into the result, behind a
// header made by the library's compose_header. A compressed part is
// composed alone by the library, without the GIL when large, and its bytes
// copied once into the result. The message may change while the GIL is
// released; its version tells, and the work is then done again. A payload
// the message keeps as bytes (objects.hpp) is written straight from them;
// a message with a compressed part is settled before that part is packed.
#include "compose.hpp"

#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <vector>

#include "locking.hpp"

namespace py = pybind11;

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_payload::compression;
using read_lock = std::shared_lock<std::shared_mutex>;

// The compressed parts composed alone (header and zlib stream), and the
// version of the message they were composed from.
struct packed_parts {
  std::array<std::vector<uint8_t>, 2> wire;
  size_t version = 0;
};

std::array<const vexal_part_ctx*, 2> parts_of(const message_box& box) {
  return {&box.message.first(), &box.message.second()};
}

bool stored_as_is(const vexal_part_ctx& part) {
  return part.get_compression() == compression::none;
}

// Composes each compressed part alone; a part stored as is only has its
// header checked, so that faults are reported in the library's order.
packed_parts pack(const message_box& box) {
  packed_parts packed;
  packed.version = box.version;
  std::vector<uint8_t> header;
  const auto parts = parts_of(box);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (stored_as_is(*parts[i])) {
      header.clear();
      parts[i]->compose_header(header, parts[i]->get_payload().size());
    } else if (i == 0) {
      box.message.first().compose(packed.wire[i]);
    } else {
      box.message.second().compose(packed.wire[i]);
    }
  }
  return packed;
}

// The payload of a part stored as is: the bytes the message keeps for it
// (objects.hpp) or the part's own. With the GIL held.
struct raw_payload {
  const char* data;
  size_t size;
};

raw_payload payload_of(const message_box& box, size_t i) {
  if (const py::object& kept = box.kept[i]) {
    return {PyBytes_AS_STRING(kept.ptr()),
            static_cast<size_t>(PyBytes_GET_SIZE(kept.ptr()))};
  }
  const std::vector<uint8_t>& own = parts_of(box)[i]->get_payload();
  return {reinterpret_cast<const char*>(own.data()), own.size()};
}

// Writes the message into a new bytes object; the caller holds the GIL and
// the message's lock, and `packed` belongs to the message's version.
py::bytes write(const message_box& box, const packed_parts* packed) {
  std::array<std::vector<uint8_t>, 2> headers;
  std::array<raw_payload, 2> payloads{};
  size_t size = 0;
  const auto parts = parts_of(box);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (stored_as_is(*parts[i])) {
      payloads[i] = payload_of(box, i);
      parts[i]->compose_header(headers[i], payloads[i].size);
      size += headers[i].size() + payloads[i].size;
    } else {
      size += packed->wire[i].size();
    }
  }
  auto out = py::reinterpret_steal<py::bytes>(
      PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
  if (!out) throw py::error_already_set();
  char* at = PyBytes_AS_STRING(out.ptr());
  const auto put = [&at](const void* bytes, size_t count) {
    if (count != 0) std::memcpy(at, bytes, count);
    at += count;
  };
  for (size_t i = 0; i < parts.size(); ++i) {
    if (stored_as_is(*parts[i])) {
      put(headers[i].data(), headers[i].size());
      put(payloads[i].data, payloads[i].size);
    } else {
      put(packed->wire[i].data(), packed->wire[i].size());
    }
  }
  return out;
}

}  // namespace

py::bytes compose_bytes(message_box& box) {
  std::optional<packed_parts> packed;
  for (;;) {
    bool compressed = false;
    size_t compressed_bytes = 0;
    {
      const read_lock lock(box.guard);
      const auto parts = parts_of(box);
      for (size_t i = 0; i < parts.size(); ++i) {
        if (!stored_as_is(*parts[i])) {
          compressed = true;
          compressed_bytes += payload_of(box, i).size;
        }
      }
      if (!compressed || (packed && packed->version == box.version)) {
        return write(box, packed ? &*packed : nullptr);
      }
    }
    // pack reads the parts' own payloads, without the GIL.
    box.settle();
    packed =
        run_locked<read_lock>(box.guard, compressed_bytes >= gil_free_bytes,
                              [&] { return pack(box); });
  }
}

}  // namespace vexal_python
