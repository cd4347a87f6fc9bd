// SPDX-License-Identifier: MIT
// The version macros for C++ sources that include them by this name; they
// are defined once, in the C header vexal/version_config.h.
#ifndef VEXAL_VERSION_CONFIG_HPP
#define VEXAL_VERSION_CONFIG_HPP

/// @file
/// Includes vexal/version_config.h, the version macros of libvexal's
/// headers.

#include "vexal/version_config.h"

#endif  // VEXAL_VERSION_CONFIG_HPP
