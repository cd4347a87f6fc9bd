// SPDX-License-Identifier: MIT
// What the Python objects Message and Part hold.
//
// A Message holds the lock of locking.hpp and, once something needs it, a
// library message: a message made from `bytes` payloads or parsed from parts
// stored as is keeps only its payload objects and its parts' format codes
// until a part's record is read or written (`record_of`), so that making and
// parsing such messages allocates nothing beyond the Python objects. A Part is
// either a part of its own or one of a message's two parts: it then holds a
// reference to the message, so a Part taken from a message keeps the message
// alive, and changes made through it change the message, under the
// message's lock. Either way `record`, `guard` and `exports` point at the
// part's one record, its lock and its count of buffer views.
//
// A message's part payload is held on one side only: in the part's record,
// or, when it was given as an immutable `bytes` object (Message(a, b), a
// part's payload set, a parse), as that object, the record's own payload
// then empty. Composing writes a held payload straight into the result, and
// `payload` hands the object out as it is; whatever reads a payload through
// the record first moves held payloads into the records (`own_payloads`).
//
// A Part lends its payload through the buffer protocol; while any such view
// exists the part refuses every change (BufferError), as a bytearray refuses
// a resize, so the bytes a view shows stay where they are. The count of
// views is read and written with the GIL held.
#ifndef VEXAL_PYTHON_OBJECTS_HPP
#define VEXAL_PYTHON_OBJECTS_HPP

#include <array>
#include <cstddef>
#include <optional>
#include <shared_mutex>

#include "bindings.hpp"
#include "vexal/part.hpp"
#include "vexal/vexal.hpp"

namespace vexal_python {

struct message_object {
  /// The library message, made on first need (`record_of`).
  PyObject_HEAD std::optional<kelvo::vexal> message;
  /// The parts' formats while there is no library message; their
  /// compression is then none.
  std::array<kelvo::vexal_part_payload::format, 2> formats;
  std::shared_mutex guard;
  /// Buffer views lent of the first and of the second part's payload.
  std::array<size_t, 2> exports;
  /// The first and the second part's payload as a bytes object, when the
  /// Python side holds it; null where the part's record holds it.
  std::array<PyObject*, 2> held;
};

struct part_object {
  PyObject_HEAD
      /// The message whose part this is, or null for a part of its own.
      PyObject* owner;
  /// The part's record; for a message's part null until `record_of` makes
  /// the message's library message.
  kelvo::vexal_part_ctx* record;
  std::shared_mutex* guard;
  size_t* exports;
  /// The type of a message's part, fixed by its place.
  kelvo::vexal_part_type place;
  // A part of its own.
  std::optional<kelvo::vexal_any_part> own;
  std::shared_mutex own_guard;
  size_t own_exports;
};

/// A new Message with two empty parts. Throws python_error or bad_alloc.
message_object* new_message();
/// The message's library message, made from its formats when it has none
/// yet. Needs the GIL. Throws bad_alloc.
kelvo::vexal& record_of(message_object* message);
/// Whether `object` is a vexal.Message.
bool is_message(PyObject* object);
/// Makes the message's library message if needed and moves the payloads
/// that `message` holds as bytes objects into its parts' records, for
/// whatever reads a payload through a record. Takes the message's lock to
/// write. Throws python_error or bad_alloc.
void own_payloads(message_object* message);
/// Where part `which` of `message` keeps a held payload.
inline PyObject*& held_payload(message_object* message,
                               kelvo::vexal_part_type which) {
  return message->held[which == kelvo::vexal_part_type::first ? 0 : 1];
}

/// A new Part that is part `which` of `owner`.
PyObject* new_part_of(message_object* owner, kelvo::vexal_part_type which);
/// The part object of `object`, or null when it is not a vexal.Part.
part_object* as_part(PyObject* object);
/// The part's type: its place in its message, or its own type.
kelvo::vexal_part_type type_of(const part_object& part);

/// The part's record, made with its message's library message when there
/// is none yet. Needs the GIL. Throws bad_alloc.
kelvo::vexal_part_ctx& record_of(part_object* part);
/// Moves a held payload of the message whose part `part` is into the part's
/// record (`own_payloads`); nothing for a part of its own.
void own_payload_of(part_object* part);

/// Throws python_error (BufferError) when `exports` views are lent of a
/// part about to change.
void check_unviewed(size_t exports);

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_OBJECTS_HPP
