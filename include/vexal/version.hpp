// SPDX-License-Identifier: MIT
// The version of the libvexal that a program runs against.
#ifndef VEXAL_VERSION_HPP
#define VEXAL_VERSION_HPP

#include <cstdint>
#include <string>
#include <tuple>

#include "vexal/export.hpp"

namespace kelvo {

/// Library version queries. Neither reads state nor fails.
namespace vexal_version {

/// The version number as (major, minor, patch).
VEXAL_EXPORT std::tuple<int32_t, int32_t, int32_t> get() noexcept;

/// The version text, "major.minor.patch" with no newline.
VEXAL_EXPORT std::string get_string();

}  // namespace vexal_version
}  // namespace kelvo

#endif  // VEXAL_VERSION_HPP
