// SPDX-License-Identifier: MIT
// Parts of a vexal message.
//
// `vexal_part_ctx` is a value-semantic handle that owns one part record (type,
// payload format, payload compression and the uncompressed payload bytes).
// `vexal_part<T>` and `vexal_any_part` add the wire form: each composes to and
// parses from one part, an 8-byte header followed by the stored payload.
//
// Threads: the rule of docs/threads.md (distinct objects, any threads).
#ifndef VEXAL_PART_HPP
#define VEXAL_PART_HPP

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "vexal/export.hpp"
#include "vexal/payload.hpp"
#include "vexal/serializer.hpp"

namespace kelvo {

class vexal;
namespace detail {
struct message_core;
}  // namespace detail

/// Handle to one part record, with value semantics.
///
/// Constructors and setters store type, format and compression without
/// examining them. Comparison ignores the part type. Moving takes over the
/// payload buffer and leaves the source usable with an empty payload; since
/// the source keeps a record of its own, a move constructor allocates one and
/// may throw std::bad_alloc. `swap` and `take_payload` never allocate.
///
/// No member of this class but `compose_header` throws the library's
/// messages: values are checked when a part is composed or parsed (see
/// \ref errors). Constructors, copies and the setters that copy a payload fail
/// only with std::bad_alloc.
class VEXAL_EXPORT vexal_part_ctx {
 public:
  /// The part record proper; defined inside the library.
  class impl;

  /// Format `bytes`, compression `none`, empty payload, type 0.
  vexal_part_ctx();
  /// Copies `payload`; format `bytes`, compression `none`.
  explicit vexal_part_ctx(const std::vector<uint8_t>& payload);
  /// Copies `payload`; compression `none`.
  vexal_part_ctx(const std::vector<uint8_t>& payload,
                 vexal_part_payload::format format);
  /// Copies `payload`; format `bytes`.
  vexal_part_ctx(const std::vector<uint8_t>& payload,
                 vexal_part_payload::compression compression);
  /// Copies `payload`.
  vexal_part_ctx(const std::vector<uint8_t>& payload,
                 vexal_part_payload::format format,
                 vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer, leaving it empty; format `bytes`,
  /// compression `none`.
  explicit vexal_part_ctx(std::vector<uint8_t>&& payload);
  /// Takes over `payload`'s buffer; compression `none`.
  vexal_part_ctx(std::vector<uint8_t>&& payload,
                 vexal_part_payload::format format);
  /// Takes over `payload`'s buffer; format `bytes`.
  vexal_part_ctx(std::vector<uint8_t>&& payload,
                 vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer.
  vexal_part_ctx(std::vector<uint8_t>&& payload,
                 vexal_part_payload::format format,
                 vexal_part_payload::compression compression);

  /// Deep copy: a new record with every field and the payload bytes.
  vexal_part_ctx(const vexal_part_ctx& other);
  /// A new record that takes over `other`'s payload buffer. `other` keeps its
  /// type, format and compression and is left with an empty payload. The new
  /// record is allocated first, so `other` is unchanged if that fails.
  vexal_part_ctx(vexal_part_ctx&& other);
  /// Releases the record and its payload.
  virtual ~vexal_part_ctx();

  /// Copies type, format and compression, then the payload bytes. If copying
  /// the payload fails for lack of memory, the scalars are already replaced
  /// and the payload is unchanged.
  vexal_part_ctx& operator=(const vexal_part_ctx& other);
  /// Copies type, format and compression and takes over `other`'s payload
  /// buffer, leaving `other`'s payload empty.
  vexal_part_ctx& operator=(vexal_part_ctx&& other) noexcept;

  /// Exchanges type, format, compression and payload with `other`'s. Each
  /// handle keeps its own record, so a reference from `get_payload()` goes on
  /// showing its own handle's payload, which is now `other`'s former one. The
  /// payload buffers change hands: nothing is allocated or copied.
  void swap(vexal_part_ctx& other) noexcept;
  /// `a.swap(b)`, found by argument-dependent lookup, as `std::swap` is used
  /// in generic code: `using std::swap; swap(a, b);`.
  friend void swap(vexal_part_ctx& a, vexal_part_ctx& b) noexcept { a.swap(b); }

  /// True when format, compression and payload bytes are equal; the part
  /// type is not compared.
  bool operator==(const vexal_part_ctx& other) const noexcept;
  /// Negation of `operator==`.
  bool operator!=(const vexal_part_ctx& other) const noexcept;

  /// The payload format.
  vexal_part_payload::format get_format() const noexcept;
  /// Stores `format` unchecked; an invalid value fails at compose time.
  void set_format(vexal_part_payload::format format) noexcept;
  /// The compression applied when the part is composed.
  vexal_part_payload::compression get_compression() const noexcept;
  /// Stores `compression` unchecked; an invalid value fails at compose time.
  void set_compression(vexal_part_payload::compression compression) noexcept;
  /// The uncompressed payload. The reference lives as long as the handle and
  /// always shows the current payload.
  const std::vector<uint8_t>& get_payload() const noexcept;
  /// Replaces the payload with a copy of `payload`.
  void set_payload(const std::vector<uint8_t>& payload);
  /// Takes over `payload`'s buffer, leaving it empty.
  void set_payload(std::vector<uint8_t>&& payload) noexcept;
  /// Moves the payload out and returns it, leaving the part's payload empty;
  /// type, format and compression stay. The buffer changes hands: nothing is
  /// allocated or copied.
  std::vector<uint8_t> take_payload() noexcept;

  /// Appends the part's header alone, announcing `stored_size` stored bytes,
  /// for a caller that then appends the stored bytes itself, right after it:
  /// the payload as is for compression `none`, else a zlib stream of it. The
  /// header carries the part's type, format and compression as composing the
  /// whole part would; the payload held is not looked at. A header always
  /// takes `vexal_part_header_size` bytes, so one appended with a provisional
  /// count can be overwritten by one composed once the count is known.
  /// @throws std::runtime_error, before anything is appended, as composing
  ///   the part does: "Unknown vexal compression", then "vexal parts payload
  ///   is too long" (`stored_size` over `vexal_max_stored_size`), "Unknown
  ///   vexal type", "Unknown vexal format"; std::bad_alloc with `out`
  ///   unchanged.
  void compose_header(std::vector<uint8_t>& out, size_t stored_size) const;

 protected:
  /// The owned record; never null while the handle exists.
  std::unique_ptr<impl> impl_;

 private:
  // The message sizes its output from both records before composing, and
  // its parses read into them.
  friend class vexal;
  friend struct detail::message_core;
};

/// A part whose type is fixed at compile time: the type is T after every
/// constructor, after `init()` and after every completed parse, whatever the
/// source object or the wire said. Provided for T = first and T = second.
///
/// Compose and parse through the `vexal_serializer` entry points. A parse
/// that throws may leave fields partly replaced, including the type, until
/// `init()` or a later parse completes.
template <vexal_part_type T>
class VEXAL_EXPORT vexal_part : public vexal_part_ctx, public vexal_serializer {
 public:
  /// An empty part of type T.
  vexal_part();
  /// Copies `payload`; format `bytes`, compression `none`, type T.
  explicit vexal_part(const std::vector<uint8_t>& payload);
  /// Copies `payload`; compression `none`, type T.
  vexal_part(const std::vector<uint8_t>& payload,
             vexal_part_payload::format format);
  /// Copies `payload`; format `bytes`, type T.
  vexal_part(const std::vector<uint8_t>& payload,
             vexal_part_payload::compression compression);
  /// Copies `payload`; type T.
  vexal_part(const std::vector<uint8_t>& payload,
             vexal_part_payload::format format,
             vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer, leaving it empty; format `bytes`,
  /// compression `none`, type T.
  explicit vexal_part(std::vector<uint8_t>&& payload);
  /// Takes over `payload`'s buffer; compression `none`, type T.
  vexal_part(std::vector<uint8_t>&& payload, vexal_part_payload::format format);
  /// Takes over `payload`'s buffer; format `bytes`, type T.
  vexal_part(std::vector<uint8_t>&& payload,
             vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer; type T.
  vexal_part(std::vector<uint8_t>&& payload, vexal_part_payload::format format,
             vexal_part_payload::compression compression);
  /// Copies every field and the payload, then sets the type to T.
  vexal_part(const vexal_part& other);
  /// Takes over `other`'s payload (see `vexal_part_ctx`), then sets the type
  /// to T.
  vexal_part(vexal_part&& other);
  ~vexal_part() override;

  /// Copy assignment of `vexal_part_ctx`; the type is copied, not reset.
  vexal_part& operator=(const vexal_part& other);
  /// Move assignment of `vexal_part_ctx`; the type is copied, not reset.
  vexal_part& operator=(vexal_part&& other) noexcept;

  /// Exchanges every field with `other`'s, as `vexal_part_ctx::swap` does;
  /// both keep type T. Nothing is allocated or copied.
  void swap(vexal_part& other) noexcept;
  /// `a.swap(b)`, found by argument-dependent lookup.
  friend void swap(vexal_part& a, vexal_part& b) noexcept { a.swap(b); }

  /// True when type, format, compression and payload bytes are all equal.
  bool operator==(const vexal_part& other) const noexcept;
  /// Negation of `operator==`.
  bool operator!=(const vexal_part& other) const noexcept;

  /// Sets the type to T.
  void init() noexcept;

 private:
  void compose_impl(std::vector<uint8_t>& out) const override;
  size_t parse_impl(const std::vector<uint8_t>& data, size_t offset) override;
};

extern template class VEXAL_EXPORT vexal_part<vexal_part_type::first>;
extern template class VEXAL_EXPORT vexal_part<vexal_part_type::second>;

/// A part whose type is chosen at run time; a parse keeps the type that the
/// wire names.
///
/// Compose and parse through the `vexal_serializer` entry points. A parse
/// that throws may leave type, format and compression partly replaced (see
/// \ref errors).
class VEXAL_EXPORT vexal_any_part : public vexal_part_ctx,
                                    public vexal_serializer {
 public:
  /// An empty part of type 0.
  vexal_any_part();
  /// Copies `payload`; format `bytes`, compression `none`, type 0.
  explicit vexal_any_part(const std::vector<uint8_t>& payload);
  /// Copies `payload`; compression `none`, type 0.
  vexal_any_part(const std::vector<uint8_t>& payload,
                 vexal_part_payload::format format);
  /// Copies `payload`; format `bytes`, type 0.
  vexal_any_part(const std::vector<uint8_t>& payload,
                 vexal_part_payload::compression compression);
  /// Copies `payload`; type 0.
  vexal_any_part(const std::vector<uint8_t>& payload,
                 vexal_part_payload::format format,
                 vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer, leaving it empty; format `bytes`,
  /// compression `none`, type 0.
  explicit vexal_any_part(std::vector<uint8_t>&& payload);
  /// Takes over `payload`'s buffer; compression `none`, type 0.
  vexal_any_part(std::vector<uint8_t>&& payload,
                 vexal_part_payload::format format);
  /// Takes over `payload`'s buffer; format `bytes`, type 0.
  vexal_any_part(std::vector<uint8_t>&& payload,
                 vexal_part_payload::compression compression);
  /// Takes over `payload`'s buffer; type 0.
  vexal_any_part(std::vector<uint8_t>&& payload,
                 vexal_part_payload::format format,
                 vexal_part_payload::compression compression);
  /// The type given first, then the payload constructors' arguments: copies
  /// `payload`. Like `set_type`, stores `type` unchecked.
  vexal_any_part(
      vexal_part_type type, const std::vector<uint8_t>& payload,
      vexal_part_payload::format format = vexal_part_payload::format::bytes,
      vexal_part_payload::compression compression =
          vexal_part_payload::compression::none);
  /// The type given first, then the payload constructors' arguments: takes
  /// over `payload`'s buffer, leaving it empty. Like `set_type`, stores
  /// `type` unchecked.
  vexal_any_part(
      vexal_part_type type, std::vector<uint8_t>&& payload,
      vexal_part_payload::format format = vexal_part_payload::format::bytes,
      vexal_part_payload::compression compression =
          vexal_part_payload::compression::none);
  /// Copies every field, the type included, and the payload.
  vexal_any_part(const vexal_any_part& other);
  /// Copies the type, format and compression and takes over the payload.
  vexal_any_part(vexal_any_part&& other);
  ~vexal_any_part() override;

  /// Copy assignment of `vexal_part_ctx`.
  vexal_any_part& operator=(const vexal_any_part& other);
  /// Move assignment of `vexal_part_ctx`.
  vexal_any_part& operator=(vexal_any_part&& other) noexcept;

  /// Exchanges every field, the type included, with `other`'s, as
  /// `vexal_part_ctx::swap` does. Nothing is allocated or copied.
  void swap(vexal_any_part& other) noexcept;
  /// `a.swap(b)`, found by argument-dependent lookup.
  friend void swap(vexal_any_part& a, vexal_any_part& b) noexcept { a.swap(b); }

  /// True when type, format, compression and payload bytes are all equal.
  bool operator==(const vexal_any_part& other) const noexcept;
  /// Negation of `operator==`.
  bool operator!=(const vexal_any_part& other) const noexcept;

  /// The part type.
  vexal_part_type get_type() const noexcept;
  /// Stores `type` unchecked; an invalid value fails at compose time with
  /// "Unknown vexal type".
  void set_type(vexal_part_type type) noexcept;
  /// Sets the type to 0 (`vexal_part_type::second`).
  void set_default_type() noexcept;

 private:
  void compose_impl(std::vector<uint8_t>& out) const override;
  size_t parse_impl(const std::vector<uint8_t>& data, size_t offset) override;
};

}  // namespace kelvo

#endif  // VEXAL_PART_HPP
