// SPDX-License-Identifier: MIT
// vexal.parse_view over vexal_view: a message read in place in the caller's
// buffer. A MessageView holds the buffer (so it cannot be resized while the
// view lives); its PartViews lend their stored bytes read-only through the
// buffer protocol, so a part's memoryview keeps the buffer alive on its own.
// A compressed part's payload is inflated when asked for, within the limits
// the view was read with.
#include "view.hpp"

#include <new>
#include <system_error>
#include <vector>

#include "errors.hpp"
#include "locking.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_part_view;

struct message_view_object {
  PyObject_HEAD Py_buffer source;
  kelvo::vexal_view view;
  kelvo::vexal_limits limits;
  /// Where the message lies in its buffer or stream, for errors.
  uint64_t origin;
};

struct part_view_object {
  PyObject_HEAD message_view_object* owner;
  const vexal_part_view* part;
};

PyTypeObject* message_view_type;
PyTypeObject* part_view_type;

message_view_object* message_of(PyObject* self) {
  return reinterpret_cast<message_view_object*>(self);
}

part_view_object* part_of(PyObject* self) {
  return reinterpret_cast<part_view_object*>(self);
}

void message_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  if (message_of(self)->source.obj) PyBuffer_Release(&message_of(self)->source);
  type->tp_free(self);
  Py_DECREF(type);
}

void part_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  Py_DECREF(part_of(self)->owner);
  type->tp_free(self);
  Py_DECREF(type);
}

template <bool First>
PyObject* get_part(PyObject* self, void*) {
  auto* part = PyObject_New(part_view_object, part_view_type);
  if (!part) return nullptr;
  Py_INCREF(self);
  part->owner = message_of(self);
  part->part = First ? &message_of(self)->view.first()
                     : &message_of(self)->view.second();
  return reinterpret_cast<PyObject*>(part);
}

// Views are made by parse_view and Reader.next_view only.
PyObject* refuse_new(PyTypeObject* type, PyObject*, PyObject*) {
  PyErr_Format(PyExc_TypeError, "cannot create '%s' instances", type->tp_name);
  return nullptr;
}

PyObject* get_size(PyObject* self, void*) {
  return PyLong_FromSize_t(message_of(self)->view.size());
}

Py_ssize_t length(PyObject* self) {
  return static_cast<Py_ssize_t>(message_of(self)->view.size());
}

// The stored bytes, read-only, for memoryview(part_view) and `.stored`.
int get_buffer(PyObject* self, Py_buffer* view, int flags) {
  const vexal_part_view& part = *part_of(self)->part;
  return PyBuffer_FillInfo(view, self, const_cast<uint8_t*>(part.stored_data()),
                           static_cast<Py_ssize_t>(part.stored_size()), 1,
                           flags);
}

PyObject* get_stored(PyObject* self, void*) {
  return PyMemoryView_FromObject(self);
}

// A memoryview for a part stored as is; the inflated bytes otherwise.
PyObject* get_payload(PyObject* self, void*) {
  const vexal_part_view& part = *part_of(self)->part;
  if (!part.compressed()) return PyMemoryView_FromObject(self);
  const message_view_object* owner = part_of(self)->owner;
  return guarded(
      [&] {
        std::vector<uint8_t> payload;
        {
          kelvo::vexal_failure failure;
          {
            const without_gil released(part.stored_size() >= gil_free_bytes);
            part.payload_into(payload, owner->limits, failure);
          }
          // The field at fault is the part's first stored byte.
          const uint8_t* message_start =
              owner->view.first().stored_data() - kelvo::vexal_part_header_size;
          if (failure) {
            raise_failure(
                failure, owner->origin,
                owner->origin +
                    static_cast<uint64_t>(part.stored_data() - message_start));
          }
        }
        return PyBytes_FromStringAndSize(
            reinterpret_cast<const char*>(payload.data()),
            static_cast<Py_ssize_t>(payload.size()));
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* get_format(PyObject* self, void*) {
  return format_object(part_of(self)->part->get_format());
}

PyObject* get_compression(PyObject* self, void*) {
  return compression_object(part_of(self)->part->get_compression());
}

PyObject* get_compressed(PyObject* self, void*) {
  return PyBool_FromLong(part_of(self)->part->compressed());
}

PyObject* parse_view(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                     PyObject* keywords) {
  parse_arguments given;
  const bool bound = guarded(
      [&] {
        given = bind_parse_arguments("parse_view", "buffer", args, nargsf,
                                     keywords);
        return true;
      },
      false);
  if (!bound) return nullptr;
  return guarded(
      [&]() -> PyObject* {
        size_t end = given.offset;
        owned view(new_message_view(given.source, given.offset, given.limits,
                                    given.offset, end));
        return parse_result(end == given.offset ? nullptr : view.release(),
                            end);
      },
      static_cast<PyObject*>(nullptr));
}

PyGetSetDef part_getset[] = {
    {"stored", get_stored, nullptr,
     "The stored bytes after the header: a read-only memoryview into the "
     "buffer, as memoryview(part_view) gives.",
     nullptr},
    {"payload", get_payload, nullptr,
     "The payload: the stored bytes as a memoryview for a part stored as "
     "is, the inflated bytes for a compressed one.",
     nullptr},
    {"format", get_format, nullptr, "The Format that the header names.",
     nullptr},
    {"compression", get_compression, nullptr,
     "Compression.NONE, or ZLIB_DEFAULT for a part stored as a zlib stream.",
     nullptr},
    {"compressed", get_compressed, nullptr,
     "True when the part is stored as a zlib stream.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot part_slots[] = {
    {Py_tp_doc,
     const_cast<char*>("One part of a MessageView, as it lies in the buffer.")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(part_dealloc)},
    {Py_tp_getset, part_getset},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_buffer)},
    {0, nullptr},
};

PyType_Spec part_definition = {"vexal.PartView", sizeof(part_view_object), 0,
                               Py_TPFLAGS_DEFAULT, part_slots};

PyGetSetDef message_getset[] = {
    {"first", get_part<true>, nullptr, "The first part's PartView.", nullptr},
    {"second", get_part<false>, nullptr, "The second part's PartView.",
     nullptr},
    {"size", get_size, nullptr, "The message's length on the wire.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot message_slots[] = {
    {Py_tp_doc,
     const_cast<char*>("A message read in place by parse_view: it copies "
                       "nothing and keeps the buffer alive and unresizable "
                       "while it lives.")},
    {Py_tp_new, reinterpret_cast<void*>(refuse_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(message_dealloc)},
    {Py_tp_getset, message_getset},
    {Py_sq_length, reinterpret_cast<void*>(length)},
    {0, nullptr},
};

PyType_Spec message_definition = {"vexal.MessageView",
                                  sizeof(message_view_object), 0,
                                  Py_TPFLAGS_DEFAULT, message_slots};

PyMethodDef parse_view_definition = {
    "parse_view",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&parse_view)),
    METH_FASTCALL | METH_KEYWORDS,
    "parse_view(buffer, offset=0, *, limits=None)\n--\n\n"
    "The message at `offset` of any bytes-like `buffer`, read in place, and "
    "the offset after it; (None, offset) when no whole message is there. "
    "Raises vexal.Error as parse does, except that a compressed part's zlib "
    "stream is checked only when its payload is read."};

}  // namespace

PyObject* new_message_view(PyObject* source, size_t offset,
                           const kelvo::vexal_limits& limits, uint64_t origin,
                           size_t& end) {
  owned self(reinterpret_cast<PyObject*>(
      PyObject_New(message_view_object, message_view_type)));
  message_view_object* view = message_of(self.get());
  view->source.obj = nullptr;
  new (&view->view) kelvo::vexal_view();
  view->limits = limits;
  view->origin = origin;
  if (PyObject_GetBuffer(source, &view->source, PyBUF_SIMPLE) != 0) {
    view->source.obj = nullptr;
    throw python_error();
  }
  const auto* data = static_cast<const uint8_t*>(view->source.buf);
  const auto size = static_cast<size_t>(view->source.len);
  kelvo::vexal_failure failure;
  end = view->view.parse(data, size, offset, limits, failure);
  // The failure's offset counts in `data`, where the message is at `offset`
  // and, for the caller, at `origin`.
  if (failure) raise_failure(failure, origin, origin - offset);
  return self.release();
}

void define_view(PyObject* module) {
  part_view_type = add_type(module, part_definition);
  message_view_type = add_type(module, message_definition);
  owned name(PyUnicode_FromString("vexal"));
  owned function(
      PyCFunction_NewEx(&parse_view_definition, nullptr, name.get()));
  if (PyModule_AddObject(module, "parse_view", function.get()) != 0) {
    throw python_error();
  }
  function.release();
}

}  // namespace vexal_python
