// SPDX-License-Identifier: MIT
// The native half of the Node package: a Node-API addon over libvexal's C
// interface, built with the library's sources inside it. It hands numbers
// back, never objects: every call writes its results (sizes, offsets, codes)
// into one Float64Array that the JavaScript half gave it once, and the
// JavaScript half makes the Buffers and subarrays, which costs it tens of
// nanoseconds where a Buffer made here costs about a microsecond. Output
// goes into Buffers that JavaScript allocated; the stream reader reads the
// caller's chunks in place and answers a whole batch of messages per call.
//
// The results array, shared by all calls (see lib/native.js, which names
// the same slots):
//   [0] status detail: messages in the batch, or the size of an output
//   [1] bytes used of the chunk, or the end offset of a parse
//   [2] error code, [3] error offset (in the buffer or the stream)
//   [4...] the batch: `record_size` numbers per message.
#include <napi.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "vexal/vexal.h"

namespace {

constexpr size_t detail_slot = 0;
constexpr size_t used_slot = 1;
constexpr size_t code_slot = 2;
constexpr size_t offset_slot = 3;
constexpr size_t batch_slot = 4;
// One message: where it starts, its size, whether it lies in the chunk
// (1) or was left in the reader's buffer (0), its stream offset, then
// format, compressed flag, stored offset and stored size of each part.
constexpr size_t record_size = 12;
constexpr size_t batch_capacity = 256;
constexpr size_t results_size = batch_slot + record_size * batch_capacity;

// A JavaScript number as a size: Infinity and anything past SIZE_MAX are
// SIZE_MAX (no limit); the JavaScript half has refused negative numbers.
size_t to_size(const Napi::Value& value) {
  const double number = value.As<Napi::Number>().DoubleValue();
  if (!(number < 18446744073709551615.0)) return SIZE_MAX;
  return number > 0 ? static_cast<size_t>(number) : 0;
}

struct bytes {
  uint8_t* data;
  size_t size;
};

// The bytes of a Uint8Array (a Buffer is one), or of an ArrayBuffer view.
bytes bytes_of(const Napi::Value& value) {
  Napi::Uint8Array array = value.As<Napi::Uint8Array>();
  return {array.Data(), array.ByteLength()};
}

// A stream reader with the message that its last read left in its own
// buffer, kept for `readerCopy`.
struct reader_handle {
  vexal_reader_t* reader = nullptr;
  vexal_message_t held{};
  bool holding = false;
  ~reader_handle() { vexal_reader_free(reader); }
};

class addon : public Napi::Addon<addon> {
 public:
  addon(Napi::Env env, Napi::Object exports) {
    DefineAddon(
        exports,
        {InstanceMethod("init", &addon::init),
         InstanceMethod("version", &addon::version),
         InstanceMethod("errorText", &addon::error_text),
         InstanceMethod("codeName", &addon::code_name),
         InstanceMethod("parse", &addon::parse),
         InstanceMethod("payload", &addon::payload),
         InstanceMethod("compose", &addon::compose),
         InstanceMethod("readerNew", &addon::reader_new),
         InstanceMethod("readerRead", &addon::reader_read),
         InstanceMethod("readerCopy", &addon::reader_copy),
         InstanceMethod("readerSkip", &addon::reader_skip),
         InstanceMethod("readerState", &addon::reader_state),
         InstanceValue(
             "defaultLimit",
             Napi::Number::New(env, static_cast<double>(VEXAL_DEFAULT_LIMIT))),
         InstanceValue("resultsSize", Napi::Number::New(env, results_size)),
         InstanceValue("recordSize", Napi::Number::New(env, record_size))});
  }

 private:
  Napi::Reference<Napi::Float64Array> results_ref_;
  double* results_ = nullptr;
  vexal_error_t error_{};

  // init(results): keeps the results array for every later call.
  Napi::Value init(const Napi::CallbackInfo& info) {
    auto array = info[0].As<Napi::Float64Array>();
    if (array.ElementLength() < results_size) {
      Napi::RangeError::New(info.Env(), "results array too short")
          .ThrowAsJavaScriptException();
      return info.Env().Undefined();
    }
    results_ref_ = Napi::Persistent(array);
    results_ = array.Data();
    return info.Env().Undefined();
  }

  Napi::Value version(const Napi::CallbackInfo& info) {
    return Napi::String::New(info.Env(), vexal_version_string());
  }

  // The text of the last refusal; asked for only when there is one.
  Napi::Value error_text(const Napi::CallbackInfo& info) {
    return Napi::String::New(info.Env(), error_.text);
  }

  // codeName(code): the library's name of an error code without its
  // "VEXAL_CODE_" prefix, or null past the last code.
  Napi::Value code_name(const Napi::CallbackInfo& info) {
    const int code = info[0].As<Napi::Number>().Int32Value();
    if (code < 0 || code > VEXAL_CODE_COMPRESSED_PART) return info.Env().Null();
    const char* name = vexal_code_name(code);
    const char prefix[] = "VEXAL_CODE_";
    if (std::strncmp(name, prefix, sizeof prefix - 1) == 0) {
      name += sizeof prefix - 1;
    }
    return Napi::String::New(info.Env(), name);
  }

  // Returns the status, the refusal's code and offset in their slots.
  Napi::Value done(const Napi::CallbackInfo& info, vexal_status_t status) {
    if (status != VEXAL_OK && status != VEXAL_NEED_MORE) {
      results_[code_slot] = error_.code;
      results_[offset_slot] = static_cast<double>(error_.offset);
    }
    return Napi::Number::New(info.Env(), status);
  }

  // Writes one message's numbers at `record`; `shift` is added to its
  // stored offsets (where the bytes they count from lie in the buffer that
  // JavaScript knows).
  static void record(double* record, const vexal_message_t& message,
                     size_t shift, uint64_t stream_at) {
    const vexal_part_t* parts[] = {&message.first, &message.second};
    record[0] = static_cast<double>(shift + message.first.stored_offset -
                                    VEXAL_PART_HEADER_SIZE);
    record[1] = static_cast<double>(message.size);
    record[2] = message.in_data;
    record[3] = static_cast<double>(stream_at);
    for (int i = 0; i < 2; ++i) {
      double* part = record + 4 + 4 * i;
      part[0] = parts[i]->format;
      part[1] = parts[i]->compressed;
      part[2] = static_cast<double>(shift + parts[i]->stored_offset);
      part[3] = static_cast<double>(parts[i]->stored_size);
    }
  }

  // parse(buf, offset, maxMessage, maxPayload) -> status; the message's
  // record in the batch's first slot, its end in the used slot.
  Napi::Value parse(const Napi::CallbackInfo& info) {
    const bytes data = bytes_of(info[0]);
    const vexal_limits_t limits{to_size(info[2]), to_size(info[3])};
    vexal_message_t message;
    size_t end = 0;
    const vexal_status_t status =
        vexal_parse(data.data, data.size, to_size(info[1]), &limits, &message,
                    &end, &error_);
    if (status == VEXAL_OK) {
      record(results_ + batch_slot, message, 0, 0);
      results_[used_slot] = static_cast<double>(end);
    }
    return done(info, status);
  }

  // payload(stored, compressed, maxPayload, out) -> status: the payload
  // written into `out`, its size in the detail slot; when `out` is too
  // small, output_too_small with the size needed there.
  Napi::Value payload(const Napi::CallbackInfo& info) {
    const bytes stored = bytes_of(info[0]);
    const bytes out = bytes_of(info[3]);
    const vexal_limits_t limits{SIZE_MAX, to_size(info[2])};
    size_t size = 0;
    const vexal_status_t status = vexal_payload_into(
        stored.data, stored.size, info[1].As<Napi::Boolean>().Value() ? 1 : 0,
        &limits, out.data, out.size, &size, &error_);
    results_[detail_slot] = static_cast<double>(size);
    return done(info, status);
  }

  // compose(first, format, compression, second, format, compression, out)
  // -> status: the message written into `out`, its size in the detail slot;
  // when `out` is too small, output_too_small with the size needed there.
  Napi::Value compose(const Napi::CallbackInfo& info) {
    const bytes first = bytes_of(info[0]);
    const bytes second = bytes_of(info[3]);
    const bytes out = bytes_of(info[6]);
    const int first_format = info[1].As<Napi::Number>().Int32Value();
    const int first_compression = info[2].As<Napi::Number>().Int32Value();
    const int second_format = info[4].As<Napi::Number>().Int32Value();
    const int second_compression = info[5].As<Napi::Number>().Int32Value();
    size_t size = 0;
    const vexal_status_t status = vexal_compose_into(
        first.data, first.size, first_format, first_compression, second.data,
        second.size, second_format, second_compression, out.data, out.size,
        &size, &error_);
    results_[detail_slot] = static_cast<double>(size);
    return done(info, status);
  }

  static reader_handle& handle_of(const Napi::Value& value) {
    return *value.As<Napi::External<reader_handle>>().Data();
  }

  // readerNew(maxMessage, maxPayload) -> a handle that frees its reader
  // when collected.
  Napi::Value reader_new(const Napi::CallbackInfo& info) {
    const vexal_limits_t limits{to_size(info[0]), to_size(info[1])};
    auto* handle = new reader_handle;
    handle->reader = vexal_reader_new(&limits);
    if (handle->reader == nullptr) {
      delete handle;
      Napi::Error::New(info.Env(), "vexal: out of memory for a reader")
          .ThrowAsJavaScriptException();
      return info.Env().Undefined();
    }
    return Napi::External<reader_handle>::New(
        info.Env(), handle,
        [](Napi::Env, reader_handle* finished) { delete finished; });
  }

  // readerRead(handle, chunk, start) -> status: reads messages from what
  // the reader holds followed by chunk[start..]; the batch's records in
  // their slots (offsets from the chunk's start), their count in the detail
  // slot, the chunk's bytes used up to in the used slot. The batch ends at
  // a refusal, at the end of the chunk (VEXAL_NEED_MORE), when full, or
  // after a message left in the reader's buffer, which `readerCopy` copies
  // out before anything else is asked of the reader.
  Napi::Value reader_read(const Napi::CallbackInfo& info) {
    reader_handle& handle = handle_of(info[0]);
    const bytes chunk = bytes_of(info[1]);
    size_t at = to_size(info[2]);
    size_t count = 0;
    vexal_status_t status = VEXAL_OK;
    handle.holding = false;
    while (count < batch_capacity) {
      size_t used = 0;
      vexal_message_t message;
      status = vexal_reader_read(handle.reader, chunk.data + at,
                                 chunk.size - at, &used, &message, &error_);
      const size_t from = at;
      at += used;
      if (status != VEXAL_OK) break;
      const uint64_t end = vexal_reader_offset(handle.reader);
      double* slot = results_ + batch_slot + record_size * count++;
      // In the chunk, offsets count from chunk.data + from; in the reader's
      // buffer, from the message's first byte, as in its copy.
      record(slot, message, message.in_data ? from : 0, end - message.size);
      if (!message.in_data) {
        handle.held = message;
        handle.holding = true;
        break;
      }
    }
    results_[detail_slot] = static_cast<double>(count);
    results_[used_slot] = static_cast<double>(at);
    return done(info, status);
  }

  // readerCopy(handle, out): copies the message that the last read left in
  // the reader's buffer into `out`, which JavaScript sized from its record.
  Napi::Value reader_copy(const Napi::CallbackInfo& info) {
    reader_handle& handle = handle_of(info[0]);
    const bytes out = bytes_of(info[1]);
    if (handle.holding && out.size >= handle.held.size) {
      std::memcpy(out.data, handle.held.first.stored - VEXAL_PART_HEADER_SIZE,
                  handle.held.size);
    }
    return info.Env().Undefined();
  }

  Napi::Value reader_skip(const Napi::CallbackInfo& info) {
    vexal_reader_skip(handle_of(info[0]).reader);
    return info.Env().Undefined();
  }

  // readerState(handle): the stream offset in the used slot, the bytes
  // still needed in the detail slot; returns whether the reader is at a
  // message boundary.
  Napi::Value reader_state(const Napi::CallbackInfo& info) {
    const vexal_reader_t* reader = handle_of(info[0]).reader;
    results_[used_slot] = static_cast<double>(vexal_reader_offset(reader));
    results_[detail_slot] = static_cast<double>(vexal_reader_needed(reader));
    return Napi::Boolean::New(info.Env(),
                              vexal_reader_at_boundary(reader) != 0);
  }
};

}  // namespace

NODE_API_ADDON(addon)
