// SPDX-License-Identifier: MIT
// The message parse within limits. It learns the message's size from the two
// headers first, so it refuses an oversized message before reading any part
// and reads nothing until the whole message is there; then, like the
// unlimited parse, it reads the first part into a temporary and commits it
// only once the second part has been read too.
#include <utility>

#include "part/impl.hpp"
#include "reader/message_frame.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.hpp"

namespace kelvo {

size_t vexal::parse(const std::vector<uint8_t>& data, size_t offset,
                    const vexal_limits& limits) {
  if (offset >= data.size()) return offset;
  const size_t available = data.size() - offset;
  const detail::message_frame frame =
      detail::measure_message(data.data() + offset, available);
  detail::check_message_size(frame, limits.max_message_size);
  if (!frame.whole(available)) return offset;

  // Each part is whole, so each part parse consumes it; the typed parts'
  // types are forced as their own parse would force them.
  vexal_first_part first;
  const size_t after_first =
      first.impl_->parse_bounded(data, offset, limits.max_payload_size);
  first.init();
  const size_t end =
      second_.impl_->parse_bounded(data, after_first, limits.max_payload_size);
  second_.init();
  first_ = std::move(first);
  return end;
}

}  // namespace kelvo
