// SPDX-License-Identifier: MIT
// What the Python objects Message and Part hold.
//
// A Message is a library message with the lock of locking.hpp; Python holds
// it through a shared_ptr. A Part is either a part of its own or one of a
// message's two parts: it then shares ownership of the message, so a Part
// taken from a message keeps the message alive, and changes made through it
// change the message, under the message's lock.
#ifndef VEXAL_PYTHON_OBJECTS_HPP
#define VEXAL_PYTHON_OBJECTS_HPP

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
};

class part_ref {
 public:
  /// A part of its own: empty, format BYTES, compression NONE, type 0.
  part_ref() : own_(std::make_shared<kelvo::vexal_any_part>()) {}
  /// Part `which` of `owner`'s message.
  part_ref(std::shared_ptr<message_box> owner, kelvo::vexal_part_type which)
      : owner_(std::move(owner)), which_(which) {}

  const kelvo::vexal_part_ctx& get() const { return *target(); }

  kelvo::vexal_part_type type() const {
    return own_ ? own_->get_type() : which_;
  }

  /// Runs `change` on the part, under its message's lock when it has one.
  template <typename Change>
  void change(Change&& change) {
    if (!owner_) {
      std::forward<Change>(change)(*own_);
      return;
    }
    const std::unique_lock<std::shared_mutex> lock(owner_->guard);
    std::forward<Change>(change)(*target());
  }

 private:
  kelvo::vexal_part_ctx* target() const {
    if (own_) return own_.get();
    if (which_ == kelvo::vexal_part_type::first) {
      return &owner_->message.first();
    }
    return &owner_->message.second();
  }

  std::shared_ptr<kelvo::vexal_any_part> own_;
  std::shared_ptr<message_box> owner_;
  kelvo::vexal_part_type which_ = kelvo::vexal_part_type::second;
};

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_OBJECTS_HPP
