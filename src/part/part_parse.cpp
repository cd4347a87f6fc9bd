// SPDX-License-Identifier: MIT
// Step two of a part parse: the stored bytes into the record, inflated when
// the part is compressed.
#include "part/part_parse.hpp"

#include <utility>

#include "part/zlib_codec.hpp"

namespace kelvo::detail {

// The stored bytes are copied first, so that a refusal leaves them in the
// payload, as a part parse that throws leaves them.
bool take_compressed(std::vector<uint8_t>& payload, const uint8_t* data,
                     stored_bytes stored, size_t max_payload, failure& f) {
  payload.clear();
  payload.assign(data + stored.at, data + stored.end());
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
