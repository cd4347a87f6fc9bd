// SPDX-License-Identifier: MIT
// vexal.Message over the library's message, and vexal.parse. Composing
// writes the result once: from the library's raw headers and the payloads,
// or, with a compressed part, from the library's compose. Parsing is its
// bounded parse, in place in the caller's buffer. Compressing and parsing
// large data run without the GIL (locking.hpp).
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "byte_view.hpp"
#include "errors.hpp"
#include "free_list.hpp"
#include "locking.hpp"
#include "objects.hpp"
#include "vexal/vexal.h"
#include "vexal/view.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_part_ctx;
using kelvo::vexal_part_type;
using kelvo::vexal_part_payload::compression;
using read_lock = std::shared_lock<std::shared_mutex>;
using write_lock = std::unique_lock<std::shared_mutex>;

PyTypeObject* message_type;
free_list<8> spare_messages;

message_object* self_of(PyObject* self) {
  return reinterpret_cast<message_object*>(self);
}

message_object* allocate(PyTypeObject* type) {
  message_object* message = self_of(spare_messages.take(type, message_type));
  new (&message->message) std::optional<kelvo::vexal>();
  message->formats = {kelvo::vexal_part_payload::format::bytes,
                      kelvo::vexal_part_payload::format::bytes};
  new (&message->guard) std::shared_mutex();
  message->exports = {0, 0};
  message->held = {nullptr, nullptr};
  return message;
}

void dealloc(PyObject* object) {
  message_object* self = self_of(object);
  PyTypeObject* type = Py_TYPE(object);
  Py_XDECREF(self->held[0]);
  Py_XDECREF(self->held[1]);
  self->message.~optional();
  self->guard.~shared_mutex();
  spare_messages.give(object, type, message_type);
}

// Part `Which` of the message's library message, made if needed.
template <vexal_part_type Which>
auto& target_of(message_object* self) {
  if constexpr (Which == vexal_part_type::first) {
    return record_of(self).first();
  } else {
    return record_of(self).second();
  }
}

// Gives part `Which` of `self` what `source` holds: None makes it empty, a
// Part's record is copied (the part keeps its place's type), a bytes object
// is held as it is (objects.hpp), and anything else is read as a bytes-like
// payload. The part holds its payload on one side only: a payload held
// before is dropped. None and bytes given to a message without a library
// message leave it without one.
template <vexal_part_type Which>
void assign(message_object* self, PyObject* source) {
  constexpr size_t index = Which == vexal_part_type::first ? 0 : 1;
  PyObject*& held = self->held[index];
  check_unviewed(self->exports[index]);
  PyObject* dropped = nullptr;
  if (source == Py_None && !self->message) {
    self->formats[index] = kelvo::vexal_part_payload::format::bytes;
    dropped = std::exchange(held, nullptr);
  } else if (source == Py_None) {
    auto& target = target_of<Which>(self);
    const write_lock lock(self->guard);
    static_cast<vexal_part_ctx&>(target) = vexal_part_ctx();
    target.init();
    dropped = std::exchange(held, nullptr);
  } else if (PyBytes_CheckExact(source) && !self->message) {
    Py_INCREF(source);
    dropped = std::exchange(held, source);
  } else if (part_object* part = as_part(source)) {
    own_payload_of(part);
    // Copied first, under the source's lock alone: it may be this message's.
    const vexal_part_ctx& record = record_of(part);
    vexal_part_ctx copy = [&] {
      const read_lock lock(*part->guard);
      return record;
    }();
    auto& target = target_of<Which>(self);
    const write_lock lock(self->guard);
    static_cast<vexal_part_ctx&>(target) = std::move(copy);
    target.init();
    dropped = std::exchange(held, nullptr);
  } else if (PyBytes_CheckExact(source)) {
    auto& target = target_of<Which>(self);
    Py_INCREF(source);
    const write_lock lock(self->guard);
    target.set_payload(std::vector<uint8_t>());
    dropped = std::exchange(held, source);
  } else {
    std::vector<uint8_t> payload = byte_view(source).copy();
    auto& target = target_of<Which>(self);
    const write_lock lock(self->guard);
    target.set_payload(std::move(payload));
    dropped = std::exchange(held, nullptr);
  }
  Py_XDECREF(dropped);
}

template <vexal_part_type Which>
PyObject* get_part(PyObject* self, void*) {
  return guarded([&] { return new_part_of(self_of(self), Which); },
                 static_cast<PyObject*>(nullptr));
}

template <vexal_part_type Which>
int set_part(PyObject* object, PyObject* value, void*) {
  return guarded(
      [&] {
        if (!value) {
          PyErr_SetString(PyExc_AttributeError, "a part cannot be deleted");
          throw python_error();
        }
        assign<Which>(self_of(object), value);
        return 0;
      },
      -1);
}

PyObject* message_new(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  static const char* names[] = {"first", "second", nullptr};
  PyObject* first = Py_None;
  PyObject* second = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "|OO:Message",
                                   const_cast<char**>(names), &first,
                                   &second)) {
    return nullptr;
  }
  return guarded(
      [&] {
        owned self(reinterpret_cast<PyObject*>(allocate(type)));
        message_object* message = self_of(self.get());
        // A new message's parts are empty already: None changes nothing.
        if (first != Py_None) assign<vexal_part_type::first>(message, first);
        if (second != Py_None) {
          assign<vexal_part_type::second>(message, second);
        }
        return self.release();
      },
      static_cast<PyObject*>(nullptr));
}

// Part `index` of `self`'s payload as the C interface takes it: the bytes
// object held in its place, or its record's own; without a library message,
// nothing but the held payload and the part's format.
vexal_part_spec_t wire_part_of(const message_object* self, size_t index) {
  PyObject* held = self->held[index];
  vexal_part_spec_t part{};
  if (held) {
    part.payload = reinterpret_cast<const uint8_t*>(PyBytes_AS_STRING(held));
    part.size = static_cast<size_t>(PyBytes_GET_SIZE(held));
  }
  if (!self->message) {
    part.format = static_cast<int>(self->formats[index]);
    return part;
  }
  const vexal_part_ctx& record =
      index == 0 ? static_cast<const vexal_part_ctx&>(self->message->first())
                 : self->message->second();
  if (!held) {
    part.payload = record.get_payload().data();
    part.size = record.get_payload().size();
  }
  part.format = static_cast<int>(record.get_format());
  part.compression = static_cast<int>(record.get_compression());
  return part;
}

// Lays a message whose parts are stored as is out from the library's raw
// headers, copying each payload once, from the bytes object held in its
// place or from its record, straight into the result; the copy keeps the
// GIL. A message with a compressed part, and one that the headers refuse,
// is composed by the library (without the GIL when large) once its
// payloads are in its records, and its bytes copied into the result.
PyObject* compose(PyObject* object, PyObject*) {
  message_object* self = self_of(object);
  return guarded(
      [&]() -> PyObject* {
        {
          const read_lock lock(self->guard);
          const vexal_part_spec_t first = wire_part_of(self, 0);
          const vexal_part_spec_t second = wire_part_of(self, 1);
          uint8_t headers[kelvo::vexal_raw_headers_size];
          vexal_error_t error{};
          if (first.compression == 0 && second.compression == 0 &&
              vexal_raw_headers(&first, &second, headers, &error) == VEXAL_OK) {
            owned bytes(PyBytes_FromStringAndSize(
                nullptr, static_cast<Py_ssize_t>(sizeof headers + first.size +
                                                 second.size)));
            char* out = PyBytes_AS_STRING(bytes.get());
            const auto put = [&out](const uint8_t* data, size_t size) {
              if (size != 0) std::memcpy(out, data, size);
              out += size;
            };
            put(headers, kelvo::vexal_part_header_size);
            put(first.payload, first.size);
            put(headers + kelvo::vexal_part_header_size,
                kelvo::vexal_part_header_size);
            put(second.payload, second.size);
            return bytes.release();
          }
        }
        own_payloads(self);
        const kelvo::vexal& message = *self->message;
        kelvo::vexal_failure failure;
        size_t payloads = 0;
        {
          const read_lock lock(self->guard);
          payloads = message.first().get_payload().size() +
                     message.second().get_payload().size();
        }
        std::vector<uint8_t> wire;
        run_locked<read_lock>(self->guard, payloads >= gil_free_bytes,
                              [&] { message.compose(wire, failure); });
        if (failure) raise_failure(failure, std::nullopt);
        return PyBytes_FromStringAndSize(
            reinterpret_cast<const char*>(wire.data()),
            static_cast<Py_ssize_t>(wire.size()));
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* richcompare(PyObject* left, PyObject* right, int op) {
  if (!is_message(right) || (op != Py_EQ && op != Py_NE)) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  message_object* self = self_of(left);
  message_object* other = self_of(right);
  const bool owned_payloads = guarded(
      [&] {
        own_payloads(self);
        own_payloads(other);
        return true;
      },
      false);
  if (!owned_payloads) return nullptr;
  const read_lock first(self->guard);
  read_lock second;
  if (other != self) second = read_lock(other->guard);
  const bool equal = *self->message == *other->message;
  return PyBool_FromLong(equal == (op == Py_EQ));
}

PyObject* repr(PyObject* self) {
  return guarded(
      [&] {
        owned first(new_part_of(self_of(self), vexal_part_type::first));
        owned second(new_part_of(self_of(self), vexal_part_type::second));
        return PyUnicode_FromFormat("Message(first=%R, second=%R)", first.get(),
                                    second.get());
      },
      static_cast<PyObject*>(nullptr));
}

// Pickling keeps the two parts, each as a Part of its own.
PyObject* reduce(PyObject* self, PyObject*) {
  return guarded(
      [&] {
        owned first(new_part_of(self_of(self), vexal_part_type::first));
        owned second(new_part_of(self_of(self), vexal_part_type::second));
        return Py_BuildValue("(O(OO))", message_type, first.get(),
                             second.get());
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* parse(PyObject*, PyObject* const* args, Py_ssize_t nargsf,
                PyObject* keywords) {
  parse_arguments given;
  const bool bound = guarded(
      [&] {
        given = bind_parse_arguments("parse", "data", args, nargsf, keywords);
        return true;
      },
      false);
  if (!bound) return nullptr;
  return guarded(
      [&]() -> PyObject* {
        // Named, not bound: a lambda cannot capture a structured binding.
        PyObject* source = given.source;
        const size_t offset = given.offset;
        const kelvo::vexal_limits& limits = given.limits;
        const byte_view data(source);
        owned message(reinterpret_cast<PyObject*>(allocate(message_type)));
        message_object* target = self_of(message.get());
        kelvo::vexal_failure failure;
        // The library checks the message where it lies; parts stored as is
        // are then copied once, each into the bytes object that the message
        // holds as its payload (objects.hpp). Nobody else can see the new
        // message yet: no lock is needed.
        kelvo::vexal_view view;
        size_t end =
            view.parse(data.data(), data.size(), offset, limits, failure);
        // The view refuses what the parse refuses, but for damaged zlib data.
        if (failure) raise_failure(failure, offset);
        if (end != offset && !view.first().compressed() &&
            !view.second().compressed()) {
          const auto bytes_of = [](const kelvo::vexal_part_view& part) {
            return PyBytes_FromStringAndSize(
                reinterpret_cast<const char*>(part.payload_data()),
                static_cast<Py_ssize_t>(part.payload_size()));
          };
          owned first(bytes_of(view.first()));
          owned second(bytes_of(view.second()));
          target->formats = {view.first().get_format(),
                             view.second().get_format()};
          target->held = {first.release(), second.release()};
          return parse_result(message.release(), end);
        }
        // A compressed part is inflated by the library's parse, without the
        // GIL when large.
        const bool large =
            offset < data.size() && data.size() - offset >= gil_free_bytes;
        kelvo::vexal& record = record_of(target);
        end = [&] {
          const without_gil released(large);
          return record.parse(data.data(), data.size(), offset, limits,
                              failure);
        }();
        if (failure) raise_failure(failure, offset);
        return parse_result(end == offset ? nullptr : message.release(), end);
      },
      static_cast<PyObject*>(nullptr));
}

PyGetSetDef getset[] = {
    {"first", get_part<vexal_part_type::first>,
     set_part<vexal_part_type::first>,
     "The message's own first part; set from a Part or bytes-like.", nullptr},
    {"second", get_part<vexal_part_type::second>,
     set_part<vexal_part_type::second>,
     "The message's own second part; set from a Part or bytes-like.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef methods[] = {
    {"compose", compose, METH_NOARGS,
     "compose($self, /)\n--\n\n"
     "The message's wire bytes. Raises vexal.Error for a value outside its "
     "enumeration."},
    {"__reduce__", reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("Message(first=None, second=None)\n--\n\n"
                       "A two-part vexal message: `first` (type 1), then "
                       "`second` (type 0).")},
    {Py_tp_new, reinterpret_cast<void*>(message_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_getset, getset},
    {Py_tp_methods, methods},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare)},
    {Py_tp_repr, reinterpret_cast<void*>(repr)},
    {0, nullptr},
};

PyType_Spec definition = {"vexal.Message", sizeof(message_object), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};

PyMethodDef parse_definition = {
    "parse",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&parse)),
    METH_FASTCALL | METH_KEYWORDS,
    "parse(data, offset=0, *, limits=None)\n--\n\n"
    "The message at `offset` of any bytes-like `data` and the offset after "
    "it, or (None, offset) when no whole message is there. With `limits`, "
    "larger messages and payloads are refused. Raises vexal.Error for "
    "malformed input, vexal.LimitError for a limit exceeded; their `offset` "
    "is `offset`."};

}  // namespace

void define_message(PyObject* module) {
  message_type = add_type(module, definition);
  owned name(PyUnicode_FromString("vexal"));
  owned function(PyCFunction_NewEx(&parse_definition, nullptr, name.get()));
  if (PyModule_AddObject(module, "parse", function.get()) != 0) {
    throw python_error();
  }
  function.release();
}

message_object* new_message() { return allocate(message_type); }

kelvo::vexal& record_of(message_object* message) {
  if (!message->message) {
    kelvo::vexal& made = message->message.emplace();
    made.first().set_format(message->formats[0]);
    made.second().set_format(message->formats[1]);
  }
  return *message->message;
}

void own_payloads(message_object* message) {
  record_of(message);
  for (const vexal_part_type which :
       {vexal_part_type::first, vexal_part_type::second}) {
    PyObject*& held = held_payload(message, which);
    if (!held) continue;
    std::vector<uint8_t> payload = byte_view(held).copy();
    PyObject* dropped = nullptr;
    {
      const write_lock lock(message->guard);
      if (which == vexal_part_type::first) {
        message->message->first().set_payload(std::move(payload));
      } else {
        message->message->second().set_payload(std::move(payload));
      }
      dropped = std::exchange(held, nullptr);
    }
    Py_DECREF(dropped);
  }
}

bool is_message(PyObject* object) {
  return PyObject_TypeCheck(object, message_type);
}

}  // namespace vexal_python
