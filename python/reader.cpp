// SPDX-License-Identifier: MIT
// vexal.Reader over vexal_reader: bytes go in with feed() (a copy) or are
// read straight into the reader's buffer (prepare() lends a writable
// memoryview of its room, commit() passes on what was written), and
// iterating takes each whole message. Large data is fed and parsed without
// the GIL, under the reader's lock (locking.hpp). A refused message raises
// vexal.Error or LimitError with `.offset`, the stream offset where it
// starts; `wire` tells how the last message lay on the wire, as the named
// tuples WireMessage and WirePart.
//
// The room moves or goes away on the reader's next change, so the
// memoryview prepare() lent is released first: every later call but a
// property releases it (a view still held then raises ValueError when
// used), and refuses with BufferError, changing nothing, while another
// view of the room still holds it (a slice, or an ongoing readinto).
#include "vexal/reader.hpp"

#include <mutex>
#include <new>
#include <string>

#include "byte_view.hpp"
#include "errors.hpp"
#include "locking.hpp"
#include "objects.hpp"
#include "view.hpp"
#include "vexal/constants.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_limits;
using kelvo::vexal_reader;
using status = vexal_reader::status;
using reader_lock = std::unique_lock<std::mutex>;

struct reader_object {
  PyObject_HEAD
  vexal_reader reader;
  vexal_limits limits;  // for inflating the parts of next_view()
  std::mutex guard;
  /// The memoryview prepare() lent last, until released.
  PyObject* room;
  uint8_t* room_data;
  size_t room_size;
  /// Buffer views of the room alive, and whether prepare() is making one.
  size_t exports;
  bool lending;
};

PyTypeObject* reader_type;
PyObject* wire_part_type;
PyObject* wire_message_type;

reader_object* self_of(PyObject* self) {
  return reinterpret_cast<reader_object*>(self);
}

// Reads one value under the reader's lock, keeping the GIL.
template <typename Read>
auto read_locked(PyObject* self, Read read) {
  const reader_lock lock(self_of(self)->guard);
  return read(self_of(self)->reader);
}

void release_room(reader_object* self) {
  if (self->room) {
    // Only the reader holds it: dropping it releases it.
    if (Py_REFCNT(self->room) > 1) {
      owned released(PyObject_CallMethod(self->room, "release", nullptr));
    }
    Py_CLEAR(self->room);
  }
  if (self->exports != 0) {
    PyErr_SetString(PyExc_BufferError,
                    "a view of the room that Reader.prepare() lent is still "
                    "held: release it first");
    throw python_error();
  }
  self->room_size = 0;
}

PyObject* reader_new(PyTypeObject* type, PyObject* args, PyObject* keywords) {
  static const char* names[] = {"max_message_size", "max_payload_size",
                                "limits", nullptr};
  PyObject* sizes[2] = {nullptr, nullptr};
  PyObject* limits = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "|OO$O:Reader",
                                   const_cast<char**>(names), &sizes[0],
                                   &sizes[1], &limits)) {
    return nullptr;
  }
  return guarded(
      [&] {
        vexal_limits chosen;
        if (sizes[0]) chosen.max_message_size = to_size(sizes[0]);
        if (sizes[1]) chosen.max_payload_size = to_size(sizes[1]);
        if (limits != Py_None) {
          if (sizes[0] || sizes[1]) {
            PyErr_SetString(PyExc_TypeError,
                            "Reader() takes limits or the sizes, not both");
            throw python_error();
          }
          chosen = limits_of(limits, chosen);
        }
        PyObject* self = type->tp_alloc(type, 0);
        if (!self) throw python_error();
        reader_object* reader = self_of(self);
        new (&reader->reader) vexal_reader(chosen);
        new (&reader->guard) std::mutex();
        reader->limits = chosen;
        return self;
      },
      static_cast<PyObject*>(nullptr));
}

int traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(self_of(self)->room);
  Py_VISIT(Py_TYPE(self));
  return 0;
}

int clear(PyObject* self) {
  Py_CLEAR(self_of(self)->room);
  return 0;
}

void dealloc(PyObject* object) {
  reader_object* self = self_of(object);
  PyTypeObject* type = Py_TYPE(object);
  PyObject_GC_UnTrack(object);
  Py_CLEAR(self->room);
  self->reader.~vexal_reader();
  self->guard.~mutex();
  type->tp_free(object);
  Py_DECREF(type);
}

PyObject* feed(PyObject* object, PyObject* data) {
  reader_object* self = self_of(object);
  return guarded(
      [&] {
        release_room(self);
        const byte_view bytes(data);
        run_locked<reader_lock>(self->guard, bytes.size() >= gil_free_bytes, [&] {
          self->reader.feed(bytes.data(), bytes.size());
        });
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* prepare(PyObject* object, PyObject* size_object) {
  reader_object* self = self_of(object);
  return guarded(
      [&] {
        const size_t size = to_size(size_object);
        release_room(self);
        uint8_t* room = read_locked(object, [&](vexal_reader& reader) {
          return reader.prepare(size);
        });
        if (!room) throw std::bad_alloc();
        self->room_data = room;
        self->room_size = size;
        self->lending = true;
        PyObject* view = PyMemoryView_FromObject(object);
        self->lending = false;
        if (!view) throw python_error();
        Py_INCREF(view);
        self->room = view;
        return view;
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* commit(PyObject* object, PyObject* size_object) {
  reader_object* self = self_of(object);
  return guarded(
      [&] {
        const size_t size = to_size(size_object);
        const size_t room = self->room_size;
        release_room(self);
        if (size > room) {
          PyErr_Format(PyExc_ValueError,
                       "commit(%zu) passes more than the %zu bytes prepared",
                       size, room);
          throw python_error();
        }
        read_locked(object, [&](vexal_reader& reader) { reader.commit(size); });
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

// The room, writable, only for the memoryview that prepare() makes.
int get_buffer(PyObject* object, Py_buffer* view, int flags) {
  reader_object* self = self_of(object);
  if (!self->lending) {
    PyErr_SetString(PyExc_BufferError,
                    "a Reader lends its room through prepare() only");
    return -1;
  }
  if (PyBuffer_FillInfo(view, object, self->room_data,
                        static_cast<Py_ssize_t>(self->room_size), 0, flags) != 0) {
    return -1;
  }
  ++self->exports;
  return 0;
}

void release_buffer(PyObject* object, Py_buffer*) { --self_of(object)->exports; }

// Runs try_next into `target` and raises what it refused; true for a
// message, false when more bytes are needed. `offset` is set to where the
// message starts in the stream.
template <typename Target>
bool next_into(reader_object* self, Target& target, uint64_t& offset) {
  release_room(self);
  const bool large = read_locked(reinterpret_cast<PyObject*>(self),
                                 [](vexal_reader& reader) {
                                   return reader.buffered();
                                 }) >= gil_free_bytes;
  std::string text;
  std::error_code ec;
  const status outcome = run_locked<reader_lock>(self->guard, large, [&] {
    offset = self->reader.offset();
    const status done = self->reader.try_next(target);
    if (done != status::message && done != status::need_more) {
      text = self->reader.error();
      ec = self->reader.error_code();
    }
    return done;
  });
  if (outcome == status::message) return true;
  if (outcome == status::need_more) return false;
  if (outcome == status::out_of_memory) throw std::bad_alloc();
  raise_error(static_cast<error_code>(ec.value()), text.c_str(), offset);
}

PyObject* next(PyObject* object) {
  return guarded(
      [&]() -> PyObject* {
        owned message(reinterpret_cast<PyObject*>(new_message()));
        auto* target = reinterpret_cast<message_object*>(message.get());
        uint64_t offset = 0;
        return next_into(self_of(object), target->message, offset)
                   ? message.release()
                   : nullptr;
      },
      static_cast<PyObject*>(nullptr));
}

// The next whole message as a MessageView over a bytes copy of its wire
// bytes, or None when more bytes are needed. The copy makes the view
// independent of the reader's buffer, which the next call may move; its
// headers are read again there, so that the view points into it.
PyObject* next_view(PyObject* object, PyObject*) {
  reader_object* self = self_of(object);
  return guarded(
      [&]() -> PyObject* {
        kelvo::vexal_view view;
        uint64_t offset = 0;
        if (!next_into(self, view, offset)) Py_RETURN_NONE;
        const uint8_t* start =
            view.first().stored_data() - kelvo::vexal_part_header_size;
        owned wire(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(start),
                                             static_cast<Py_ssize_t>(view.size())));
        size_t end = 0;
        return new_message_view(wire.get(), 0, self->limits, offset, end);
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* skip(PyObject* object, PyObject*) {
  return guarded(
      [&] {
        release_room(self_of(object));
        read_locked(object, [](vexal_reader& reader) { reader.skip(); });
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* get_offset(PyObject* self, void*) {
  return PyLong_FromUnsignedLongLong(
      read_locked(self, [](vexal_reader& reader) { return reader.offset(); }));
}

PyObject* get_buffered(PyObject* self, void*) {
  return PyLong_FromSize_t(
      read_locked(self, [](vexal_reader& reader) { return reader.buffered(); }));
}

PyObject* get_needed(PyObject* self, void*) {
  return PyLong_FromSize_t(
      read_locked(self, [](vexal_reader& reader) { return reader.needed(); }));
}

PyObject* get_capacity(PyObject* self, void*) {
  return PyLong_FromSize_t(
      read_locked(self, [](vexal_reader& reader) { return reader.capacity(); }));
}

PyObject* get_at_boundary(PyObject* self, void*) {
  return PyBool_FromLong(read_locked(
      self, [](vexal_reader& reader) { return reader.at_boundary(); }));
}

PyObject* get_wire(PyObject* self, void*) {
  const kelvo::vexal_wire_message wire =
      read_locked(self, [](vexal_reader& reader) { return reader.wire(); });
  return guarded(
      [&] {
        owned parts[2];
        for (size_t i = 0; i < 2; ++i) {
          const kelvo::vexal_wire_part& part = wire.parts[i];
          parts[i] = owned(PyObject_CallFunction(
              wire_part_type, "kOi", static_cast<unsigned long>(part.stored_size),
              part.compressed ? Py_True : Py_False,
              static_cast<int>(part.zlib_level_hint)));
        }
        return PyObject_CallFunction(
            wire_message_type, "KK(OO)",
            static_cast<unsigned long long>(wire.offset),
            static_cast<unsigned long long>(wire.size), parts[0].get(),
            parts[1].get());
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* repr(PyObject* self) {
  const auto [offset, buffered] = read_locked(self, [](vexal_reader& reader) {
    return std::make_pair(reader.offset(), reader.buffered());
  });
  return PyUnicode_FromFormat("<vexal.Reader offset=%llu buffered=%zu>",
                              static_cast<unsigned long long>(offset), buffered);
}

// A named tuple type of module vexal, kept for the process.
PyObject* add_named_tuple(PyObject* module, const char* name,
                          const char* fields, const char* doc) {
  owned collections(PyImport_ImportModule("collections"));
  owned make(PyObject_GetAttrString(collections.get(), "namedtuple"));
  owned arguments(Py_BuildValue("(ss)", name, fields));
  owned keywords(Py_BuildValue("{ss}", "module", "vexal"));
  owned type(PyObject_Call(make.get(), arguments.get(), keywords.get()));
  owned text(PyUnicode_FromString(doc));
  if (PyObject_SetAttrString(type.get(), "__doc__", text.get()) != 0 ||
      PyModule_AddObject(module, name, type.get()) != 0) {
    throw python_error();
  }
  return type.release();
}

PyGetSetDef getset[] = {
    {"offset", get_offset, nullptr,
     "Stream offset where the next message starts.", nullptr},
    {"buffered", get_buffered, nullptr, "Bytes fed and not yet consumed.",
     nullptr},
    {"needed", get_needed, nullptr,
     "Bytes still missing before the next message can be whole.", nullptr},
    {"capacity", get_capacity, nullptr,
     "Bytes the reader's buffer holds room for, used or not.", nullptr},
    {"at_boundary", get_at_boundary, nullptr,
     "True when nothing of an unfinished or skipped message is pending, so "
     "the stream may end here.",
     nullptr},
    {"wire", get_wire, nullptr,
     "The WireMessage of the message that iteration last returned.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef methods[] = {
    {"feed", feed, METH_O,
     "feed($self, data, /)\n--\n\n"
     "Appends the bytes of any bytes-like object to the stream (a copy)."},
    {"prepare", prepare, METH_O,
     "prepare($self, size, /)\n--\n\n"
     "A writable memoryview of `size` bytes of room at the end of the "
     "reader's buffer, to read into (sock.recv_into, file.readinto) and "
     "pass on with commit(). Released by the reader's next call."},
    {"commit", commit, METH_O,
     "commit($self, size, /)\n--\n\n"
     "Appends the first `size` bytes written into the room of the last "
     "prepare() to the stream, as feed() of them would."},
    {"next_view", next_view, METH_NOARGS,
     "next_view($self, /)\n--\n\n"
     "The next whole message as a MessageView over one copy of its bytes, "
     "or None when more bytes are needed. Raises as iteration does; a "
     "compressed part's zlib stream is checked when its payload is read."},
    {"skip", skip, METH_NOARGS,
     "skip($self, /)\n--\n\n"
     "Drops the message that was refused and goes on after it."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>(
                    "Reader(max_message_size=67108864, "
                    "max_payload_size=67108864, *, limits=None)\n--\n\n"
                    "Cuts a stream into messages within limits: feed() the "
                    "bytes as they arrive, or read them in place with "
                    "prepare() and commit(), and iterate to get each whole "
                    "message. A refused message raises vexal.Error until "
                    "skip().")},
    {Py_tp_new, reinterpret_cast<void*>(reader_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_traverse, reinterpret_cast<void*>(traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(clear)},
    {Py_tp_iter, reinterpret_cast<void*>(PyObject_SelfIter)},
    {Py_tp_iternext, reinterpret_cast<void*>(next)},
    {Py_tp_getset, getset},
    {Py_tp_methods, methods},
    {Py_tp_repr, reinterpret_cast<void*>(repr)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(get_buffer)},
    {Py_bf_releasebuffer, reinterpret_cast<void*>(release_buffer)},
    {0, nullptr},
};

PyType_Spec spec = {"vexal.Reader", sizeof(reader_object), 0,
                    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC, slots};

}  // namespace

void define_reader(PyObject* module) {
  wire_part_type = add_named_tuple(
      module, "WirePart", "stored_size compressed level_hint",
      "How one part lay on the wire: its stored length, whether it was a "
      "zlib stream, and the level class (0-3) that stream's header records.");
  wire_message_type = add_named_tuple(
      module, "WireMessage", "offset size parts",
      "Where a message lay in the stream, its length on the wire and its "
      "two WireParts, first part first.");
  reader_type = add_type(module, spec);
}

}  // namespace vexal_python
