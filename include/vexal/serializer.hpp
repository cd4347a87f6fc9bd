// SPDX-License-Identifier: MIT
// The compose/parse interface shared by every libvexal class that has a wire
// form: the part header, the part record, the typed parts and the message.
//
// Composing appends an object's bytes to a caller-owned vector; parsing reads
// an object at an offset and returns where the next read begins. Serializers
// nest and share one output vector, so a message and its parts walk the same
// bytes in the same order.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_SERIALIZER_HPP
#define VEXAL_SERIALIZER_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vexal/export.hpp"

/// Every public name of libvexal.
namespace kelvo {

/// Abstract base of every class that turns into bytes and back.
///
/// Callers use the non-virtual entry points `compose` and `parse`; derived
/// classes implement the two private hooks. A serializer holds no state.
class VEXAL_EXPORT vexal_serializer {
 public:
  /// Does nothing; lets derived objects be destroyed through a base pointer.
  virtual ~vexal_serializer();

  /// Returns the object's wire bytes in a new vector.
  /// @throws std::runtime_error as the derived class's compose does (see
  ///         \ref errors); the partly filled vector is then released.
  [[nodiscard]] std::vector<uint8_t> compose() const;

  /// Appends the object's wire bytes to `out`, after what it already holds.
  /// Never clears `out`. @throws std::runtime_error as the derived class's
  /// compose does (see \ref errors); bytes appended before the failure stay
  /// in `out` (a single part appends nothing when it fails).
  void compose(std::vector<uint8_t>& out) const;

  /// Reads the object from `data` at `offset`, replacing its state.
  /// @return the offset just past the consumed bytes, or `offset` itself when
  ///         `data` holds too few bytes (nothing is then changed).
  /// @throws std::runtime_error on malformed input; what the object holds
  ///         afterwards is documented by the derived class and listed in
  ///         \ref errors.
  [[nodiscard]] size_t parse(const std::vector<uint8_t>& data, size_t offset);

 protected:
  /// Only derived classes create the stateless base.
  vexal_serializer() = default;
  /// Copies nothing: the base holds no state.
  vexal_serializer(const vexal_serializer&) = default;
  /// Assigns nothing: the base holds no state.
  vexal_serializer& operator=(const vexal_serializer&) = default;

 private:
  virtual void compose_impl(std::vector<uint8_t>& out) const = 0;
  virtual size_t parse_impl(const std::vector<uint8_t>& data,
                            size_t offset) = 0;
};

}  // namespace kelvo

#endif  // VEXAL_SERIALIZER_HPP
