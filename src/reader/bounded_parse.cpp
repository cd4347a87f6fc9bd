// SPDX-License-Identifier: MIT
// The message parse within limits. It learns the message's size from the two
// headers first, so it refuses an oversized message before reading any part
// and reads nothing until the whole message is there; then it reads both
// parts as the unlimited parse does.
#include "message/message_parse.hpp"
#include "part/impl.hpp"
#include "reader/message_frame.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.hpp"

namespace kelvo {

size_t vexal::parse(const std::vector<uint8_t>& data, size_t offset,
                    const vexal_limits& limits) {
  return parse(data.data(), data.size(), offset, limits);
}

size_t vexal::parse(const uint8_t* data, size_t size, size_t offset,
                    const vexal_limits& limits) {
  if (offset >= size) return offset;
  const size_t available = size - offset;
  const detail::message_frame frame =
      detail::measure_message(data + offset, available);
  detail::check_message_size(frame, limits.max_message_size);
  if (!frame.whole(available)) return offset;

  return detail::parse_parts(*first_.impl_, *second_.impl_, data, size, offset,
                             limits.max_payload_size);
}

}  // namespace kelvo
