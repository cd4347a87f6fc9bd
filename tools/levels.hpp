// SPDX-License-Identifier: MIT
// `inspect --levels`: what each compression would make of a part's payload.
// The payload is composed by the library stored as is and at every zlib
// level, 1 to 9, each timed; the smallest, and the fastest of those within
// 5 % of the smallest size, are marked.
#ifndef VEXAL_TOOLS_LEVELS_HPP
#define VEXAL_TOOLS_LEVELS_HPP

#include <cstdint>
#include <string>
#include <vector>
#include <vexal/vexal.hpp>

namespace kelvo::tool {

/// One compression tried on one payload.
struct level_trial {
  const std::string* name;  ///< As `pack --compression` takes it.
  uint64_t stored;          ///< Bytes stored after the part header.
  double microseconds;      ///< The fastest of repeated composes.
  bool smallest;            ///< The first with the fewest stored bytes.
  bool fastest;             ///< The fastest within 5 % of the smallest size.
};

/// `none`, then `zlib_level_1` to `zlib_level_9`, on `part`'s payload and
/// format.
std::vector<level_trial> try_levels(const vexal_part_ctx& part);

}  // namespace kelvo::tool

#endif  // VEXAL_TOOLS_LEVELS_HPP
