// SPDX-License-Identifier: MIT
// The C interface's writing side: a message composed into one buffer for the
// caller, each payload copied once (or deflated straight from the caller's
// bytes), and the raw headers for a gather write that copies nothing.
#include "vexal/vexal.h"

#include <cstring>
#include <vector>

#include "c/c_support.hpp"
#include "part/part_compose.hpp"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;          // NOLINT(google-build-using-namespace)
using namespace kelvo::detail;  // NOLINT(google-build-using-namespace)

namespace {

// A C part's fields; its type is its place's.
part_fields fields_of(const vexal_part_spec_t& wanted, vexal_part_type type) {
  return {type, static_cast<vexal_part_payload::format>(wanted.format),
          static_cast<vexal_part_payload::compression>(wanted.compression)};
}

// NULL where a part is needed, or a NULL payload of some size.
const char* missing(const vexal_part_spec_t* first,
                    const vexal_part_spec_t* second) {
  if (first == nullptr) return "first";
  if (second == nullptr) return "second";
  if (first->payload == nullptr && first->size > 0) return "first->payload";
  if (second->payload == nullptr && second->size > 0) return "second->payload";
  return nullptr;
}

}  // namespace

vexal_status_t vexal_compose(const vexal_part_spec_t* first,
                             const vexal_part_spec_t* second, uint8_t** out,
                             size_t* out_size, vexal_error_t* error) noexcept {
  if (out == nullptr) return null_argument(error, "out");
  *out = nullptr;
  if (out_size == nullptr) return null_argument(error, "out_size");
  *out_size = 0;
  if (const char* name = missing(first, second)) {
    return null_argument(error, name);
  }
  const vexal_part_spec_t* wanted[] = {first, second};
  const vexal_part_type types[] = {vexal_part_type::first,
                                   vexal_part_type::second};
  std::vector<uint8_t> deflated[2];
  part_wire wires[2];
  failure f;
  for (int i = 0; i < 2 && !f; ++i) {
    catch_out_of_memory(f, [&] {
      prepare_part(fields_of(*wanted[i], types[i]), wanted[i]->payload,
                   wanted[i]->size, deflated[i], wires[i], f);
    });
  }
  if (f) {
    return report(error,
                  f.code == vexal_errc::out_of_memory ? VEXAL_OUT_OF_MEMORY
                                                      : VEXAL_INVALID_ARGUMENT,
                  f);
  }
  // Both stored lengths fit in 32 bits, so the sum cannot wrap.
  const size_t size =
      2 * vexal_part_header_size + wires[0].stored_size + wires[1].stored_size;
  uint8_t* message = allocate_for_caller(size);
  if (message == nullptr) {
    return report(error, VEXAL_OUT_OF_MEMORY, fail(vexal_errc::out_of_memory));
  }
  uint8_t* at = message;
  for (const part_wire& wire : wires) {
    std::memcpy(at, wire.header, vexal_part_header_size);
    at += vexal_part_header_size;
    if (wire.stored_size > 0) std::memcpy(at, wire.stored, wire.stored_size);
    at += wire.stored_size;
  }
  *out = message;
  *out_size = size;
  return report(error, VEXAL_OK);
}

vexal_status_t vexal_raw_headers(const vexal_part_spec_t* first,
                                 const vexal_part_spec_t* second,
                                 uint8_t headers[16],
                                 vexal_error_t* error) noexcept {
  if (headers == nullptr) return null_argument(error, "headers");
  if (const char* name = missing(first, second)) {
    return null_argument(error, name);
  }
  failure f;
  if (!encode_raw_headers(fields_of(*first, vexal_part_type::first),
                          first->size,
                          fields_of(*second, vexal_part_type::second),
                          second->size, headers, f)) {
    return report(error, VEXAL_INVALID_ARGUMENT, f);
  }
  return report(error, VEXAL_OK);
}
