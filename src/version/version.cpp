// SPDX-License-Identifier: MIT
// The library version, fixed when the library is built.
#include "vexal/version.hpp"

#include "vexal/constants.hpp"

namespace kelvo::vexal_version {

std::tuple<int32_t, int32_t, int32_t> get() noexcept {
  return {VEXAL_VERSION_MAJOR, VEXAL_VERSION_MINOR, VEXAL_VERSION_PATCH};
}

std::string get_string() { return VEXAL_VERSION_STRING; }

}  // namespace kelvo::vexal_version
