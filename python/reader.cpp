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
// view of the room still holds it (a slice, or an ongoing readinto). The
// count of those views is kept under the reader's lock, and checked under
// it by every call that may move the buffer, so that a call running
// without the GIL cannot move the room another thread was just lent.
#include "vexal/reader.hpp"

#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "byte_view.hpp"
#include "errors.hpp"
#include "locking.hpp"
#include "objects.hpp"
#include "vexal/constants.hpp"
#include "view.hpp"

namespace vexal_python {
namespace {

using kelvo::vexal_limits;
using kelvo::vexal_reader;
using status = vexal_reader::status;
using reader_lock = std::unique_lock<std::mutex>;

struct reader_object {
  PyObject_HEAD vexal_reader reader;
  vexal_limits limits;  // for inflating the parts of next_view()
  std::mutex guard;
  /// The memoryview prepare() lent last, until released.
  PyObject* room;
  uint8_t* room_data;
  size_t room_size;
  /// Buffer views of the room alive, under `guard`; prepare() counts the
  /// one it is making (`lending`) before it lets go of the lock.
  size_t exports;
  bool lending;
};

PyTypeObject* reader_type;

void check_room_free(bool held) {
  if (held) {
    PyErr_SetString(PyExc_BufferError,
                    "a view of the room that Reader.prepare() lent is still "
                    "held: release it first");
    throw python_error();
  }
}
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

// Drops the reader's own reference to the memoryview prepare() lent, which
// releases it unless something else holds it: then it is released by
// force (ValueError when used later), and BufferError is raised while a
// view of it still holds the room.
void release_room(reader_object* self) {
  if (!self->room) return;
  if (Py_REFCNT(self->room) > 1) {
    owned released(PyObject_CallMethod(self->room, "release", nullptr));
  }
  Py_CLEAR(self->room);
}

// Closes the room after a call that moved the buffer: nothing is left to
// commit, unless the call prepared the room anew.
struct room_closer {
  reader_object* self;
  bool prepares;
  ~room_closer() {
    if (!prepares) self->room_size = 0;
  }
};

// Runs `work`, which may move the buffer, on the reader under its lock,
// without the GIL when `large`; refuses with BufferError, running nothing,
// while a view of the room is alive.
template <typename Work>
auto moving(reader_object* self, bool large, Work&& work,
            bool prepares = false) {
  release_room(self);
  bool held = false;
  auto run = [&] {
    held = self->exports != 0;
    if (!held) {
      const room_closer closer{self, prepares};
      return std::forward<Work>(work)();
    }
    using result = decltype(std::forward<Work>(work)());
    if constexpr (!std::is_void_v<result>) return result{};
  };
  if constexpr (std::is_void_v<decltype(run())>) {
    run_locked<reader_lock>(self->guard, large, run);
    check_room_free(held);
  } else {
    auto done = run_locked<reader_lock>(self->guard, large, run);
    check_room_free(held);
    return done;
  }
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
        const byte_view bytes(data);
        moving(self, bytes.size() >= gil_free_bytes,
               [&] { self->reader.feed(bytes.data(), bytes.size()); });
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* prepare(PyObject* object, PyObject* size_object) {
  reader_object* self = self_of(object);
  return guarded(
      [&] {
        const size_t size = to_size(size_object);
        uint8_t* room = moving(
            self, false,
            [&] {
              uint8_t* prepared = self->reader.prepare(size);
              if (prepared) {
                self->room_data = prepared;
                self->room_size = size;
                self->exports = 1;  // the memoryview made below
                self->lending = true;
              }
              return prepared;
            },
            true);
        if (!room) throw std::bad_alloc();
        PyObject* view = PyMemoryView_FromObject(object);
        if (!view) {
          read_locked(object, [&](vexal_reader&) {
            self->exports = 0;
            self->lending = false;
          });
          throw python_error();
        }
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
        size_t room = 0;
        moving(self, false, [&] {
          room = self->room_size;
          if (size <= room) self->reader.commit(size);
        });
        if (size > room) {
          PyErr_Format(PyExc_ValueError,
                       "commit(%zu) passes more than the %zu bytes prepared",
                       size, room);
          throw python_error();
        }
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

// The room, writable, only for the memoryview that prepare() makes.
int get_buffer(PyObject* object, Py_buffer* view, int flags) {
  reader_object* self = self_of(object);
  const reader_lock lock(self->guard);
  if (!self->lending) {
    PyErr_SetString(PyExc_BufferError,
                    "a Reader lends its room through prepare() only");
    return -1;
  }
  self->lending = false;  // prepare() counted this view already
  return PyBuffer_FillInfo(view, object, self->room_data,
                           static_cast<Py_ssize_t>(self->room_size), 0, flags);
}

void release_buffer(PyObject* object, Py_buffer*) {
  reader_object* self = self_of(object);
  const reader_lock lock(self->guard);
  --self->exports;
}

// Runs try_next into `target`, with `taken(target)` called under the lock
// when a message was taken, and raises what was refused; true for a
// message, false when more bytes are needed. `offset` is set to where the
// message starts in the stream. Without the GIL when `large`.
template <typename Target, typename Taken>
bool next_into(reader_object* self, Target& target, uint64_t& offset,
               bool large, Taken&& taken) {
  kelvo::vexal_failure failure;
  const status outcome = moving(self, large, [&] {
    offset = self->reader.offset();
    const status done = self->reader.try_next(target);
    if (done == status::message) {
      taken(target);
    } else if (done != status::need_more) {
      failure = self->reader.failure();
    }
    return done;
  });
  if (outcome == status::message) return true;
  if (outcome == status::need_more) return false;
  if (outcome == status::out_of_memory) throw std::bad_alloc();
  raise_failure(failure, offset);
}

PyObject* next(PyObject* object) {
  reader_object* self = self_of(object);
  return guarded(
      [&]() -> PyObject* {
        owned message(reinterpret_cast<PyObject*>(new_message()));
        auto* target = reinterpret_cast<message_object*>(message.get());
        const bool large = read_locked(object, [](vexal_reader& reader) {
                             return reader.next_size();
                           }) >= gil_free_bytes;
        uint64_t offset = 0;
        return next_into(self, record_of(target), offset, large, [](auto&) {})
                   ? message.release()
                   : nullptr;
      },
      static_cast<PyObject*>(nullptr));
}

// The next whole message as a MessageView over a bytes copy of its wire
// bytes, or None when more bytes are needed. The copy, made under the lock
// with the GIL held, makes the view independent of the reader's buffer,
// which the next call may move; its headers are read again there, so that
// the view points into it.
PyObject* next_view(PyObject* object, PyObject*) {
  reader_object* self = self_of(object);
  return guarded(
      [&]() -> PyObject* {
        kelvo::vexal_view view;
        uint64_t offset = 0;
        owned wire;
        const auto copy = [&](const kelvo::vexal_view& taken) {
          const uint8_t* start =
              taken.first().stored_data() - kelvo::vexal_part_header_size;
          wire = owned(
              PyBytes_FromStringAndSize(reinterpret_cast<const char*>(start),
                                        static_cast<Py_ssize_t>(taken.size())));
        };
        if (!next_into(self, view, offset, false, copy)) Py_RETURN_NONE;
        size_t end = 0;
        return new_message_view(wire.get(), 0, self->limits, offset, end);
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* skip(PyObject* object, PyObject*) {
  return guarded(
      [&] {
        reader_object* self = self_of(object);
        moving(self, false, [&] { self->reader.skip(); });
        Py_RETURN_NONE;
      },
      static_cast<PyObject*>(nullptr));
}

PyObject* get_offset(PyObject* self, void*) {
  return PyLong_FromUnsignedLongLong(
      read_locked(self, [](vexal_reader& reader) { return reader.offset(); }));
}

PyObject* get_buffered(PyObject* self, void*) {
  return PyLong_FromSize_t(read_locked(
      self, [](vexal_reader& reader) { return reader.buffered(); }));
}

PyObject* get_needed(PyObject* self, void*) {
  return PyLong_FromSize_t(
      read_locked(self, [](vexal_reader& reader) { return reader.needed(); }));
}

PyObject* get_capacity(PyObject* self, void*) {
  return PyLong_FromSize_t(read_locked(
      self, [](vexal_reader& reader) { return reader.capacity(); }));
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
              wire_part_type, "kOi",
              static_cast<unsigned long>(part.stored_size),
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
                              static_cast<unsigned long long>(offset),
                              buffered);
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
     "The WireMessage of the message that iteration last returned.", nullptr},
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
    {Py_tp_doc,
     const_cast<char*>("Reader(max_message_size=67108864, "
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

PyType_Spec definition = {
    "vexal.Reader", sizeof(reader_object), 0,
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
  reader_type = add_type(module, definition);
}

}  // namespace vexal_python
