// SPDX-License-Identifier: MIT
// The C interface's statuses, error descriptions and conversions. Buffers
// for the caller come from operator new (nothrow), so that they fail as the
// rest of the library's memory does, and go back through `vexal_free`.
#include "c/c_support.hpp"

#include <cstdio>
#include <new>

namespace kelvo::detail {

vexal_status_t c_status(vexal_reader::status status) noexcept {
  switch (status) {
    case vexal_reader::status::message: return VEXAL_OK;
    case vexal_reader::status::need_more: return VEXAL_NEED_MORE;
    case vexal_reader::status::message_too_long: return VEXAL_MESSAGE_TOO_LONG;
    case vexal_reader::status::payload_too_long: return VEXAL_PAYLOAD_TOO_LONG;
    case vexal_reader::status::out_of_memory: return VEXAL_OUT_OF_MEMORY;
    case vexal_reader::status::malformed: break;
  }
  return VEXAL_MALFORMED;
}

vexal_status_t read_status(vexal_errc code) noexcept {
  return c_status(vexal_reader::status_of(code));
}

vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const failure& f) noexcept {
  if (error != nullptr) {
    error->status = status;
    error->code = static_cast<vexal_code_t>(f.code);
    error->offset = f.at;
    write_failure_text(f, error->text, sizeof error->text);
  }
  return status;
}

vexal_status_t report(vexal_error_t* error, vexal_status_t status,
                      const vexal_failure& f) noexcept {
  return report(error, status, failure_access::from_public(f));
}

vexal_status_t null_argument(vexal_error_t* error, const char* name) noexcept {
  if (error != nullptr) {
    report(error, VEXAL_INVALID_ARGUMENT);
    static_cast<void>(std::snprintf(error->text, sizeof error->text,
                                    "vexal: %s is NULL", name));
  }
  return VEXAL_INVALID_ARGUMENT;
}

uint8_t* allocate_for_caller(size_t size) noexcept {
  return static_cast<uint8_t*>(
      ::operator new(size > 0 ? size : 1, std::nothrow));
}

}  // namespace kelvo::detail
