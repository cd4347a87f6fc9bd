// SPDX-License-Identifier: MIT
// The C stream reader: a handle that owns one `vexal_reader` and reads each
// message into a view, of the reader's buffer or of the caller's chunk, so a
// C caller gets exactly what the C++ reader gives, with its statuses, texts
// and stream offsets.
#include <functional>
#include <new>

#include "c/c_support.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.h"

// The C entry points are defined at global scope, as the C header declares
// them, over the library's names throughout.
using namespace kelvo;          // NOLINT(google-build-using-namespace)
using namespace kelvo::detail;  // NOLINT(google-build-using-namespace)

struct vexal_reader_t {
  vexal_reader reader;
};

namespace {

// The outcome of a read into `view` as the C caller sees it: the message
// (lying in `data` when `in_data`, else at the front of the reader's
// buffer), or the reader's own failure.
vexal_status_t deliver(const vexal_reader& reader, vexal_reader::status outcome,
                       const vexal_view& view, const uint8_t* data,
                       bool in_data, vexal_message_t* message,
                       vexal_error_t* error) {
  const vexal_status_t status = c_status(outcome);
  if (status == VEXAL_OK) {
    // The message's first byte, where the reader's buffer starts for it.
    const uint8_t* start = view.first().stored_data() - VEXAL_PART_HEADER_SIZE;
    to_c(view, in_data ? data : start, in_data ? 1 : 0, *message);
  }
  if (status == VEXAL_OK || status == VEXAL_NEED_MORE) {
    return report(error, status);
  }
  return report(error, status, reader.failure());
}

}  // namespace

vexal_reader_t* vexal_reader_new(const vexal_limits_t* limits) noexcept {
  return new (std::nothrow) vexal_reader_t{vexal_reader(c_limits(limits))};
}

void vexal_reader_free(vexal_reader_t* reader) noexcept { delete reader; }

uint8_t* vexal_reader_prepare(vexal_reader_t* reader, size_t size) noexcept {
  return reader != nullptr ? reader->reader.prepare(size) : nullptr;
}

vexal_status_t vexal_reader_commit(vexal_reader_t* reader,
                                   size_t size) noexcept {
  return reader != nullptr && reader->reader.commit(size)
             ? VEXAL_OK
             : VEXAL_INVALID_ARGUMENT;
}

vexal_status_t vexal_reader_next(vexal_reader_t* reader,
                                 vexal_message_t* message,
                                 vexal_error_t* error) noexcept {
  if (reader == nullptr) return null_argument(error, "reader");
  if (message == nullptr) return null_argument(error, "message");
  vexal_view view;
  const vexal_reader::status outcome = reader->reader.try_next(view);
  return deliver(reader->reader, outcome, view, nullptr, false, message, error);
}

vexal_status_t vexal_reader_read(vexal_reader_t* reader, const uint8_t* data,
                                 size_t size, size_t* used,
                                 vexal_message_t* message,
                                 vexal_error_t* error) noexcept {
  if (used == nullptr) return null_argument(error, "used");
  *used = 0;
  if (reader == nullptr) return null_argument(error, "reader");
  if (message == nullptr) return null_argument(error, "message");
  if (data == nullptr && size > 0) return null_argument(error, "data");
  vexal_view view;
  const vexal_reader::status outcome =
      reader->reader.try_read(data, size, *used, view);
  // A message read where it lies points into `data`; one that was cut
  // points into the reader's buffer, which is a different block.
  const std::less<> before;
  const uint8_t* stored = view.first().stored_data();
  const bool in_data = outcome == vexal_reader::status::message && size > 0 &&
                       !before(stored, data) && before(stored, data + size);
  return deliver(reader->reader, outcome, view, data, in_data, message, error);
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
