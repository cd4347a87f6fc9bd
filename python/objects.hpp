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

  const kelvo::vexal_part_ctx& get() const { return *target(); }

  kelvo::vexal_part_type type() const {
    return own_ ? own_->part.get_type() : which_;
  }

  /// The count of buffer views lent of this part's payload.
  size_t& views() const {
    if (own_) return own_->views;
    return owner_->views[which_ == kelvo::vexal_part_type::first ? 0 : 1];
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
    const std::unique_lock<std::shared_mutex> lock(owner_->guard);
    ++owner_->version;
    std::forward<Change>(change)(*target());
  }

 private:
  struct own_part {
    kelvo::vexal_any_part part;
    size_t views = 0;
  };

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
