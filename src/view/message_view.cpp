// SPDX-License-Identifier: MIT
// The message view's parse: the part headers are read and checked by the
// same steps as the owning parse's (part/part_parse.hpp), which take no
// payload, so the view keeps only where each part's stored bytes lie.
#include <limits>
#include <utility>

#include "part/part_parse.hpp"
#include "reader/message_frame.hpp"
#include "vexal/view.hpp"

namespace kelvo {

namespace {

// What a part's header says once its codes have converted.
struct part_fields {
  vexal_part_type type;
  vexal_part_payload::format format;
  vexal_part_payload::compression compression;
};

}  // namespace

size_t vexal_view::parse(const uint8_t* data, size_t size, size_t offset,
                         const vexal_limits& limits) {
  // The bounded parse refuses an oversized message from its headers alone,
  // before anything else.
  if (offset < size &&
      limits.max_message_size != std::numeric_limits<size_t>::max()) {
    detail::check_message_size(
        detail::measure_message(data + offset, size - offset),
        limits.max_message_size);
  }
  // The owning parse's order: the first part's codes are checked before the
  // second part is known to be whole.
  part_fields first{};
  const auto first_at = detail::read_part_header(first, data, size, offset,
                                                 limits.max_payload_size);
  if (!first_at) return offset;
  part_fields second{};
  const auto second_at = detail::read_part_header(
      second, data, size, first_at->end(), limits.max_payload_size);
  if (!second_at) return offset;

  first_ = vexal_part_view(vexal_part_type::first, first.format,
                           first.compression, data + first_at->at,
                           static_cast<uint32_t>(first_at->size));
  second_ = vexal_part_view(vexal_part_type::second, second.format,
                            second.compression, data + second_at->at,
                            static_cast<uint32_t>(second_at->size));
  size_ = second_at->end() - offset;
  return second_at->end();
}

vexal vexal_view::to_message(const vexal_limits& limits) const {
  vexal_first_part first(first_.payload(limits), first_.get_format(),
                         first_.get_compression());
  vexal_second_part second(second_.payload(limits), second_.get_format(),
                           second_.get_compression());
  return {std::move(first), std::move(second)};
}

}  // namespace kelvo
