// SPDX-License-Identifier: MIT
// The C interface's reading side: a message read in place by the views'
// parse, and a part's payload copied or inflated into a buffer the library
// allocates or into the caller's own.
#include <cstring>
#include <new>
#include <vector>

#include "c/c_support.hpp"
#include "part/zlib_codec.hpp"
#include "serialization/element.hpp"
#include "vexal/vexal.h"
#include "view/view_core.hpp"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;          // NOLINT(google-build-using-namespace)
using namespace kelvo::detail;  // NOLINT(google-build-using-namespace)

vexal_status_t vexal_parse(const uint8_t* data, size_t size, size_t offset,
                           const vexal_limits_t* limits,
                           vexal_message_t* message, size_t* end,
                           vexal_error_t* error) noexcept {
  if (message == nullptr) return null_argument(error, "message");
  if (end == nullptr) return null_argument(error, "end");
  *end = offset;
  if (data == nullptr && size > 0) return null_argument(error, "data");
  if (offset > size) {
    return report(error, VEXAL_INVALID_ARGUMENT,
                  unpack_out_of_range(offset, size));
  }
  // A whole, valid message: no failure is made on its path.
  const vexal_limits within = c_limits(limits);
  checked_message checked;
  if (offset < size &&
      accept_whole_message(data + offset, size - offset, within, checked)) {
    to_c(data, offset, checked, *message);
    *end = offset + static_cast<size_t>(checked.frame.size);
    return report(error, VEXAL_OK);
  }
  failure f;
  const size_t next = view_core::parse_into(
      data, size, offset, within, f,
      [data, offset, message](const uint8_t*, const checked_message& checked) {
        to_c(data, offset, checked, *message);
      });
  if (f) return report(error, read_status(f.code), f);
  if (next == offset) return report(error, VEXAL_NEED_MORE);
  *end = next;
  return report(error, VEXAL_OK);
}

namespace {

// The payload of the part whose `stored_size` stored bytes lie at `stored`,
// into the caller's `capacity` bytes at `out`: `payload_size` is set to the
// payload's size when it is known, even when it does not fit.
failure payload_to(const uint8_t* stored, size_t stored_size, bool compressed,
                   size_t max_payload, uint8_t* out, size_t capacity,
                   size_t& payload_size) noexcept {
  payload_size = 0;
  if (compressed) {
    failure f;
    catch_out_of_memory(f, [&] {
      f = zlib_inflate_to(stored, stored_size, out, capacity, max_payload,
                          payload_size);
    });
    return f;
  }
  if (stored_size > max_payload) return fail(vexal_errc::payload_too_long);
  payload_size = stored_size;
  if (stored_size <= capacity && stored_size > 0) {
    std::memcpy(out, stored, stored_size);
  }
  return {};
}

}  // namespace

vexal_status_t vexal_payload_into(const uint8_t* stored, size_t stored_size,
                                  int compressed, const vexal_limits_t* limits,
                                  uint8_t* out, size_t out_capacity,
                                  size_t* payload_size,
                                  vexal_error_t* error) noexcept {
  if (payload_size == nullptr) return null_argument(error, "payload_size");
  *payload_size = 0;
  if (stored == nullptr && stored_size > 0) {
    return null_argument(error, "stored");
  }
  if (out == nullptr && out_capacity > 0) return null_argument(error, "out");
  size_t size;
  const failure f =
      payload_to(stored, stored_size, compressed != 0,
                 c_limits(limits).max_payload_size, out, out_capacity, size);
  if (f) return report(error, read_status(f.code), f);
  *payload_size = size;
  return report(error,
                size <= out_capacity ? VEXAL_OK : VEXAL_OUTPUT_TOO_SMALL);
}

vexal_status_t vexal_part_payload(const vexal_part_t* part,
                                  const vexal_limits_t* limits,
                                  uint8_t** payload, size_t* payload_size,
                                  vexal_error_t* error) noexcept {
  if (payload == nullptr) return null_argument(error, "payload");
  *payload = nullptr;
  if (payload_size == nullptr) return null_argument(error, "payload_size");
  *payload_size = 0;
  if (part == nullptr) return null_argument(error, "part");
  if (part->stored == nullptr && part->stored_size > 0) {
    return null_argument(error, "part->stored");
  }
  const size_t max_payload = c_limits(limits).max_payload_size;
  failure f;
  const uint8_t* bytes = part->stored;
  size_t size = part->stored_size;
  // A compressed payload is inflated by the library's codec, within the
  // bound, then copied once into the caller's buffer.
  std::vector<uint8_t> inflated;
  if (part->compressed != 0) {
    catch_out_of_memory(f, [&] {
      f = zlib_inflate_into(part->stored, part->stored_size, inflated,
                            max_payload);
    });
    bytes = inflated.data();
    size = inflated.size();
  } else if (size > max_payload) {
    f = fail(vexal_errc::payload_too_long);
  }
  if (f) return report(error, read_status(f.code), f);
  uint8_t* copy = allocate_for_caller(size);
  if (copy == nullptr) {
    return report(error, VEXAL_OUT_OF_MEMORY, fail(vexal_errc::out_of_memory));
  }
  if (size > 0) std::memcpy(copy, bytes, size);
  *payload = copy;
  *payload_size = size;
  return report(error, VEXAL_OK);
}

void vexal_free(void* memory) noexcept { ::operator delete(memory); }
