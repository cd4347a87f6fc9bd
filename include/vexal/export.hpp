// SPDX-License-Identifier: MIT
// Symbol visibility for libvexal's C++ headers: the VEXAL_EXPORT macro of
// vexal/export.h, which the C interface shares.
#ifndef VEXAL_EXPORT_HPP
#define VEXAL_EXPORT_HPP

#include "vexal/export.h"

#endif  // VEXAL_EXPORT_HPP
