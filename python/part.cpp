// SPDX-License-Identifier: MIT
// vexal.Part over the library's part record: payload, format and
// compression read and written, the part type read, equality of
// vexal_part_ctx (format, compression and payload; not the type), and the
// payload lent read-only through the buffer protocol (objects.hpp).
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "byte_view.hpp"
#include "free_list.hpp"
#include "objects.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_payload::compression;
using kelvo::vexal_part_payload::format;
using read_lock = std::shared_lock<std::shared_mutex>;
using write_lock = std::unique_lock<std::shared_mutex>;

PyTypeObject* part_type;
free_list<8> spare_parts;

part_object* self_of(PyObject* self) {
  return reinterpret_cast<part_object*>(self);
}

// A Part with its C++ members made, pointing nowhere yet.
part_object* allocate(PyTypeObject* type) {
  auto* self =
      reinterpret_cast<part_object*>(spare_parts.take(type, part_type));
  self->owner = nullptr;
  self->record = nullptr;
  self->guard = nullptr;
  self->exports = nullptr;
  self->place = kelvo::vexal_part_type::second;
  self->own_exports = 0;
  new (&self->own) std::optional<kelvo::vexal_any_part>();
  new (&self->own_guard) std::shared_mutex();
  return self;
}

void dealloc(PyObject* object) {
  part_object* self = self_of(object);
  PyTypeObject* type = Py_TYPE(object);
  Py_XDECREF(self->owner);
  self->own.~optional();
  self->own_guard.~shared_mutex();
  spare_parts.give(object, type, part_type);
}

// The bytes object that holds the payload of a message's part, or null
// when the part's record holds it (objects.hpp).
PyObject* held_of(const part_object* self) {
  if (!self->owner) return nullptr;
  return held_payload(reinterpret_cast<message_object*>(self->owner),
                      self->place);
}

// Runs `change` on the part's record under its lock; BufferError, changing
// nothing, while a view is lent.
template <typename Change>
void change(part_object* self, Change&& change) {
  check_unviewed(*self->exports);
  vexal_part_ctx& record = record_of(self);
  const write_lock lock(*self->guard);
  std::forward<Change>(change)(record);
}

// The message whose part `self` is while it has no library message, which
// then holds the part's payload (or none) and format, its compression none.
const message_object* without_record(const part_object* self) {
  const auto* owner = reinterpret_cast<const message_object*>(self->owner);
  return owner && !owner->message ? owner : nullptr;
}

size_t index_of(const part_object* self) {
  return self->place == kelvo::vexal_part_type::first ? 0 : 1;
}

// Replaces the payload: a bytes object given to a message's part is held
// as it is, anything else copied into the record; the payload held before,
// if any, is dropped.
void replace_payload(part_object* self, PyObject* value) {
  PyObject** held =
      self->owner
          ? &held_payload(reinterpret_cast<message_object*>(self->owner),
                          self->place)
          : nullptr;
  PyObject* dropped = nullptr;
  if (held && PyBytes_CheckExact(value)) {
    Py_INCREF(value);
    owned given(value);
    change(self, [&](vexal_part_ctx& record) {
      record.set_payload(std::vector<uint8_t>());
      dropped = std::exchange(*held, given.release());
    });
    Py_XDECREF(dropped);
    return;
  }
  std::vector<uint8_t> payload = byte_view(value).copy();
  change(self, [&](vexal_part_ctx& record) {
    record.set_payload(std::move(payload));
    if (held) dropped = std::exchange(*held, nullptr);
  });
  Py_XDECREF(dropped);
}

PyObject* bytes_of(const std::vector<uint8_t>& payload) {
  return PyBytes_FromStringAndSize(
      reinterpret_cast<const char*>(payload.data()),
      static_cast<Py_ssize_t>(payload.size()));
}

PyObject* get_payload(PyObject* self, void*) {
  if (PyObject* held = held_of(self_of(self))) {
    Py_INCREF(held);
    return held;
  }
  if (without_record(self_of(self))) return PyBytes_FromStringAndSize("", 0);
  const read_lock lock(*self_of(self)->guard);
  return bytes_of(record_of(self_of(self)).get_payload());
}

int set_payload(PyObject* self, PyObject* value, void*) {
  return guarded(
      [&] {
        if (!value) {
          PyErr_SetString(PyExc_AttributeError, "payload cannot be deleted");
          throw python_error();
        }
        replace_payload(self_of(self), value);
        return 0;
      },
      -1);
}

PyObject* get_format(PyObject* self, void*) {
  if (const message_object* owner = without_record(self_of(self))) {
    return format_object(owner->formats[index_of(self_of(self))]);
  }
  const read_lock lock(*self_of(self)->guard);
  return format_object(record_of(self_of(self)).get_format());
}

PyObject* get_compression(PyObject* self, void*) {
  if (without_record(self_of(self))) {
    return compression_object(compression::none);
  }
  const read_lock lock(*self_of(self)->guard);
  return compression_object(record_of(self_of(self)).get_compression());
}

// Setters of the codes, stored unchecked as the library stores them.
template <typename Code, void (vexal_part_ctx::*Set)(Code) noexcept>
int set_code(PyObject* self, PyObject* value, void*) {
  return guarded(
      [&] {
        if (!value) {
          PyErr_SetString(PyExc_AttributeError, "a code cannot be deleted");
          throw python_error();
        }
        const auto code = static_cast<Code>(to_code(value));
        change(self_of(self),
               [&](vexal_part_ctx& record) { (record.*Set)(code); });
        return 0;
      },
      -1);
}

PyObject* get_type(PyObject* self, void*) {
  return PyLong_FromLong(static_cast<long>(type_of(*self_of(self))));
}

Py_ssize_t length(PyObject* self) {
  if (PyObject* held = held_of(self_of(self))) return PyBytes_GET_SIZE(held);
  if (without_record(self_of(self))) return 0;
  const read_lock lock(*self_of(self)->guard);
  return static_cast<Py_ssize_t>(record_of(self_of(self)).get_payload().size());
}

PyObject* richcompare(PyObject* left, PyObject* right, int op) {
  part_object* other = as_part(right);
  if (!other || (op != Py_EQ && op != Py_NE)) Py_RETURN_NOTIMPLEMENTED;
  part_object* self = self_of(left);
  const bool owned_payloads = guarded(
      [&] {
        own_payload_of(self);
        own_payload_of(other);
        return true;
      },
      false);
  if (!owned_payloads) return nullptr;
  const read_lock first(*self->guard);
  read_lock second;
  if (other->guard != self->guard) second = read_lock(*other->guard);
  const bool equal = *self->record == *other->record;
  return PyBool_FromLong(equal == (op == Py_EQ));
}

// A code as Python source: Format.BYTES, or the plain int outside the
// enumeration.
std::string code_repr(PyObject* code) {
  owned text(PyObject_HasAttrString(code, "name")
                 ? PyUnicode_FromFormat(
                       "%s.%S", Py_TYPE(code)->tp_name,
                       owned(PyObject_GetAttrString(code, "name")).get())
                 : PyObject_Repr(code));
  const char* utf8 = PyUnicode_AsUTF8(text.get());
  if (!utf8) throw python_error();
  return utf8;
}

// The constructor call that makes an equal part.
PyObject* repr(PyObject* self) {
  return guarded(
      [&] {
        owned payload(get_payload(self, nullptr));
        owned format(get_format(self, nullptr));
        owned compression(get_compression(self, nullptr));
        const std::string codes =
            ", format=" + code_repr(format.get()) +
            ", compression=" + code_repr(compression.get()) + ")";
        return PyUnicode_FromFormat("Part(payload=%R%s", payload.get(),
                                    codes.c_str());
      },
      static_cast<PyObject*>(nullptr));
}

// Pickling keeps payload, format and compression, as plain values.
PyObject* reduce(PyObject* self, PyObject*) {
  part_object* part = self_of(self);
  PyObject* bytes = get_payload(self, nullptr);
  if (!bytes) return nullptr;
  owned payload(bytes);
  if (!guarded(
          [&] {
            record_of(part);
            return true;
          },
          false)) {
    return nullptr;
  }
  const read_lock lock(*part->guard);
  const vexal_part_ctx& record = *part->record;
  return Py_BuildValue("(O(Oii))", part_type, payload.get(),
                       static_cast<int>(record.get_format()),
                       static_cast<int>(record.get_compression()));
}

PyObject* part_new(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  static const char* names[] = {"payload", "format", "compression", nullptr};
  PyObject* payload = nullptr;
  PyObject* format_code = nullptr;
  PyObject* compression_code = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "|OOO:Part",
                                   const_cast<char**>(names), &payload,
                                   &format_code, &compression_code)) {
    return nullptr;
  }
  return guarded(
      [&] {
        std::vector<uint8_t> bytes;
        if (payload) bytes = byte_view(payload).copy();
        const auto format_value =
            static_cast<format>(format_code ? to_code(format_code) : 0);
        const auto compression_value = static_cast<compression>(
            compression_code ? to_code(compression_code) : 0);
        owned self(reinterpret_cast<PyObject*>(allocate(type)));
        part_object* part = self_of(self.get());
        part->own.emplace(std::move(bytes), format_value, compression_value);
        part->record = &*part->own;
        part->guard = &part->own_guard;
        part->exports = &part->own_exports;
        return self.release();
      },
      static_cast<PyObject*>(nullptr));
}

// The buffer protocol: the payload read-only, in place.
int get_buffer(PyObject* self, Py_buffer* view, int flags) {
  static uint8_t no_bytes = 0;
  part_object* part = self_of(self);
  // A view shows the record's payload, which stays where it is while lent.
  if (!guarded(
          [&] {
            own_payload_of(part);
            return true;
          },
          false)) {
    return -1;
  }
  const std::vector<uint8_t>& payload = part->record->get_payload();
  void* data =
      payload.empty() ? &no_bytes : const_cast<uint8_t*>(payload.data());
  if (PyBuffer_FillInfo(view, self, data,
                        static_cast<Py_ssize_t>(payload.size()), 1,
                        flags) != 0) {
    return -1;
  }
  ++*part->exports;
  return 0;
}

void release_buffer(PyObject* self, Py_buffer*) { --*self_of(self)->exports; }

PyGetSetDef getset[] = {
    {"payload", get_payload, set_payload,
     "The uncompressed payload; set from any bytes-like object.", nullptr},
    {"format", get_format, set_code<format, &vexal_part_ctx::set_format>,
     "The payload's Format; any int is stored and checked when composed.",
     nullptr},
    {"compression", get_compression,
     set_code<compression, &vexal_part_ctx::set_compression>,
     "The Compression applied when composed; any int is stored and checked "
     "when composed.",
     nullptr},
    {"type", get_type, nullptr,
     "1 for a message's first part, 0 for its second or a part of its own.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef methods[] = {
    {"__reduce__", reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("Part(payload=b'', format=Format.BYTES, "
                       "compression=Compression.NONE)\n--\n\n"
                       "One part of a message: a payload with its format and "
                       "compression. A part taken from a message is that "
                       "message's own part. Its payload can be read in place, "
                       "as memoryview(part); the part refuses changes while "
                       "such a view is held.")},
    {Py_tp_new, reinterpret_cast<void*>(part_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_getset, getset},
    {Py_tp_methods, methods},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
    {Py_tp_repr, reinterpret_cast<void*>(repr)},
    {Py_sq_length, reinterpret_cast<void*>(length)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_buffer)},
    {Py_bf_releasebuffer, reinterpret_cast<void*>(release_buffer)},
    {0, nullptr},
};

PyType_Spec definition = {"vexal.Part", sizeof(part_object), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};

}  // namespace

void define_part(PyObject* module) { part_type = add_type(module, definition); }

PyObject* new_part_of(message_object* owner, kelvo::vexal_part_type which) {
  part_object* self = allocate(part_type);
  const bool first = which == kelvo::vexal_part_type::first;
  Py_INCREF(owner);
  self->owner = reinterpret_cast<PyObject*>(owner);
  self->record = nullptr;
  self->guard = &owner->guard;
  self->exports = &owner->exports[first ? 0 : 1];
  self->place = which;
  return reinterpret_cast<PyObject*>(self);
}

part_object* as_part(PyObject* object) {
  return PyObject_TypeCheck(object, part_type) ? self_of(object) : nullptr;
}

kelvo::vexal_part_type type_of(const part_object& part) {
  return part.own ? part.own->get_type() : part.place;
}

kelvo::vexal_part_ctx& record_of(part_object* part) {
  if (!part->record) {
    kelvo::vexal& message =
        record_of(reinterpret_cast<message_object*>(part->owner));
    part->record = part->place == kelvo::vexal_part_type::first
                       ? static_cast<vexal_part_ctx*>(&message.first())
                       : &message.second();
  }
  return *part->record;
}

void own_payload_of(part_object* part) {
  if (part->owner) own_payloads(reinterpret_cast<message_object*>(part->owner));
  record_of(part);
}

void check_unviewed(size_t exports) {
  if (exports != 0) {
    PyErr_SetString(PyExc_BufferError,
                    "Existing exports of data: the part cannot be changed");
    throw python_error();
  }
}

}  // namespace vexal_python
