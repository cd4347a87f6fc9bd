// SPDX-License-Identifier: MIT
// Symbol visibility for libvexal.
//
// The library is built with hidden visibility by default; only declarations
// marked VEXAL_EXPORT form the shared library's binary interface. A static
// libvexal exports nothing: its build and its consumers define VEXAL_STATIC
// (the CMake target and vexal.pc do so), which leaves VEXAL_EXPORT empty.
#ifndef VEXAL_EXPORT_HPP
#define VEXAL_EXPORT_HPP

#if defined(VEXAL_STATIC)
#define VEXAL_EXPORT
#elif defined(__GNUC__) || defined(__clang__)
#define VEXAL_EXPORT __attribute__((visibility("default")))
#else
#define VEXAL_EXPORT
#endif

#endif  // VEXAL_EXPORT_HPP
