// SPDX-License-Identifier: MIT
// Symbol visibility for libvexal.
//
// The library is built with hidden visibility by default; only declarations
// marked VEXAL_EXPORT form its binary interface.
#ifndef VEXAL_EXPORT_HPP
#define VEXAL_EXPORT_HPP

#if defined(__GNUC__) || defined(__clang__)
#define VEXAL_EXPORT __attribute__((visibility("default")))
#else
#define VEXAL_EXPORT
#endif

#endif  // VEXAL_EXPORT_HPP
