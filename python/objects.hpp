// SPDX-License-Identifier: MIT
// What the Python objects Message and Part hold.
//
// A Message is a library message with the lock of locking.hpp; Python holds
// it through a shared_ptr. A Part is either a part of its own or one of a
// message's two parts: it then shares ownership of the message, so a Part
// taken from a message keeps the message alive, and changes made through it
// change the message, under the message's lock.
//
// A Part lends its payload through the buffer protocol; while any such view
// exists the part refuses every change (BufferError), as a bytearray refuses
// a resize, so the bytes a view shows stay where they are. The count of
// views is read and written with the GIL held.
//
// A new Message given a `bytes` payload (exactly bytes, which cannot change)
// keeps a reference to it instead of copying it: composing a raw part writes
// straight from it and reading `.payload` returns it. Anything else that
// needs the part's payload first settles the message, copying what is kept
// into the library's parts and dropping the references, under the
// message's lock. Kept references are read, settled and dropped only with
// the GIL held; once settled, a message keeps nothing again.
#ifndef VEXAL_PYTHON_OBJECTS_HPP
#define VEXAL_PYTHON_OBJECTS_HPP

#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "vexal/part.hpp"
#include "vexal/vexal.hpp"

namespace vexal_python {

struct message_box {
  kelvo::vexal message;
  std::shared_mutex guard;
  /// Counts the changes made to `message`, so that work done on it without
  /// the GIL can tell whether it still holds.
  size_t version = 0;
  /// Buffer views lent of the first part's and the second part's payload.
  std::array<size_t, 2> views{};
  /// The bytes objects kept as the first and the second part's payloads, in
  /// place of the parts' own (empty) payloads; null once settled.
  std::array<pybind11::object, 2> kept;

  /// Copies the kept payloads into the parts and drops them. Call with the
  /// GIL held and without the message's lock; a failure loses nothing.
  void settle() {
    if (!kept[0] && !kept[1]) return;
    const std::unique_lock<std::shared_mutex> lock(guard);
    settle_part(message.first(), kept[0]);
    settle_part(message.second(), kept[1]);
  }

 private:
  static void settle_part(kelvo::vexal_part_ctx& part,
                          pybind11::object& payload) {
    if (!payload) return;
    const auto* data =
        reinterpret_cast<const uint8_t*>(PyBytes_AS_STRING(payload.ptr()));
    part.set_payload({data, data + PyBytes_GET_SIZE(payload.ptr())});
    payload = pybind11::object();
  }
};

/// Raises BufferError when `views` are lent of a part about to change.
inline void check_unviewed(size_t views) {
  if (views != 0) {
    throw pybind11::buffer_error(
        "Existing exports of data: the part cannot be changed");
  }
}

class part_ref {
 public:
  /// A part of its own: empty, format BYTES, compression NONE, type 0.
  part_ref() : own_(std::make_shared<own_part>()) {}
  /// Part `which` of `owner`'s message.
  part_ref(std::shared_ptr<message_box> owner, kelvo::vexal_part_type which)
      : owner_(std::move(owner)), which_(which) {}

  /// The part, its message settled first. With the GIL held and without
  /// the message's lock.
  const kelvo::vexal_part_ctx& get() const {
    if (owner_) owner_->settle();
    return *target();
  }

  /// The bytes object kept as this part's payload, or null (objects.hpp).
  PyObject* kept() const {
    return owner_ ? owner_->kept[index()].ptr() : nullptr;
  }

  /// The payload's length, read from the kept bytes when there are any, so
  /// that asking for it does not settle the message.
  size_t payload_size() const {
    if (PyObject* bytes = kept()) {
      return static_cast<size_t>(PyBytes_GET_SIZE(bytes));
    }
    return get().get_payload().size();
  }

  kelvo::vexal_part_type type() const {
    return own_ ? own_->part.get_type() : which_;
  }

  /// The count of buffer views lent of this part's payload.
  size_t& views() const {
    if (own_) return own_->views;
    return owner_->views[index()];
  }

  /// Runs `change` on the part, under its message's lock when it has one.
  /// Raises BufferError, changing nothing, while a view is lent.
  template <typename Change>
  void change(Change&& change) {
    check_unviewed(views());
    if (!owner_) {
      std::forward<Change>(change)(own_->part);
      return;
    }
    owner_->settle();
    const std::unique_lock<std::shared_mutex> lock(owner_->guard);
    ++owner_->version;
    std::forward<Change>(change)(*target());
  }

 private:
  struct own_part {
    kelvo::vexal_any_part part;
    size_t views = 0;
  };

  size_t index() const {
    return which_ == kelvo::vexal_part_type::first ? 0 : 1;
  }

  kelvo::vexal_part_ctx* target() const {
    if (own_) return &own_->part;
    if (which_ == kelvo::vexal_part_type::first) {
      return &owner_->message.first();
    }
    return &owner_->message.second();
  }

  std::shared_ptr<own_part> own_;
  std::shared_ptr<message_box> owner_;
  kelvo::vexal_part_type which_ = kelvo::vexal_part_type::second;
};

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_OBJECTS_HPP
