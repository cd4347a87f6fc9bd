// SPDX-License-Identifier: MIT
// Step two of a part parse: the stored bytes into the record, inflated when
// the part is compressed.
#include "part/part_parse.hpp"

#include <utility>

#include "part/zlib_codec.hpp"

namespace kelvo::detail {

bool take_payload(vexal_part_ctx::impl& record, const uint8_t* data,
                  stored_bytes stored, size_t max_payload, failure& f) {
  std::vector<uint8_t>& payload = record.payload;
  payload.clear();
  payload.reserve(stored.size);
  payload.insert(payload.end(), data + stored.at, data + stored.end());
  if (record.compression == vexal_part_payload::compression::none) return true;
  std::vector<uint8_t> inflated;
  f = zlib_inflate_into(payload.data(), payload.size(), inflated, max_payload);
  if (f) {
    f.at = stored.at;
    return false;
  }
  payload.swap(inflated);
  return true;
}

}  // namespace kelvo::detail
