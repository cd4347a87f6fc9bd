// SPDX-License-Identifier: MIT
// The C stream reader: a handle that owns one `vexal_reader` and reads each
// message into a view of the reader's buffer, so a C caller gets exactly
// what the C++ reader gives, with its statuses, texts and stream offsets.
#include "vexal/vexal.h"

#include <algorithm>
#include <new>
#include <string>

#include "c/c_support.hpp"
#include "vexal/reader.hpp"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;          // NOLINT(google-build-using-namespace)
using namespace kelvo::detail;  // NOLINT(google-build-using-namespace)

struct vexal_reader_t {
  vexal_reader reader;
};

namespace {

vexal_status_t c_status(vexal_reader::status status) {
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

}  // namespace

vexal_reader_t* vexal_reader_new(const vexal_limits_t* limits) noexcept {
  return new (std::nothrow) vexal_reader_t{vexal_reader(c_limits(limits))};
}

void vexal_reader_free(vexal_reader_t* reader) noexcept { delete reader; }

uint8_t* vexal_reader_prepare(vexal_reader_t* reader, size_t size) noexcept {
  return reader != nullptr ? reader->reader.prepare(size) : nullptr;
}

void vexal_reader_commit(vexal_reader_t* reader, size_t size) noexcept {
  if (reader != nullptr) reader->reader.commit(size);
}

vexal_status_t vexal_reader_next(vexal_reader_t* reader,
                                 vexal_message_t* message,
                                 vexal_error_t* error) noexcept {
  if (reader == nullptr) return null_argument(error, "reader");
  if (message == nullptr) return null_argument(error, "message");
  vexal_view view;
  const vexal_status_t status = c_status(reader->reader.try_next(view));
  if (status == VEXAL_OK) to_c(view, *message);
  if (status == VEXAL_OK || status == VEXAL_NEED_MORE) {
    return report(error, status);
  }
  if (error != nullptr) {
    // The reader keeps the refusal's text; the C struct gets what fits.
    const std::string& text = reader->reader.error();
    report(error, status);
    error->code = reader->reader.error_code().value();
    error->offset = reader->reader.error_offset();
    text.copy(error->text, sizeof error->text - 1);
    error->text[std::min(text.size(), sizeof error->text - 1)] = '\0';
  }
  return status;
}

void vexal_reader_skip(vexal_reader_t* reader) noexcept {
  if (reader != nullptr) reader->reader.skip();
}

int vexal_reader_at_boundary(const vexal_reader_t* reader) noexcept {
  return reader != nullptr && reader->reader.at_boundary() ? 1 : 0;
}

uint64_t vexal_reader_offset(const vexal_reader_t* reader) noexcept {
  return reader != nullptr ? reader->reader.offset() : 0;
}

size_t vexal_reader_needed(const vexal_reader_t* reader) noexcept {
  return reader != nullptr ? reader->reader.needed() : 0;
}
