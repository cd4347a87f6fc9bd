/* SPDX-License-Identifier: MIT */
/* Symbol visibility for libvexal, in C so that the C interface and the C++
 * headers share it.
 *
 * The library is built with hidden visibility by default; only declarations
 * marked VEXAL_EXPORT form the shared library's binary interface. A static
 * libvexal exports nothing: its build and its consumers define VEXAL_STATIC
 * (the CMake target and vexal.pc do so), which leaves VEXAL_EXPORT empty. A
 * binding generator that reads the headers (cffi's cdef, bindgen) may define
 * VEXAL_EXPORT itself, as empty, to see plain declarations. */
#ifndef VEXAL_EXPORT_H
#define VEXAL_EXPORT_H

#ifndef VEXAL_EXPORT
#if defined(VEXAL_STATIC)
#define VEXAL_EXPORT
#elif defined(__GNUC__) || defined(__clang__)
#define VEXAL_EXPORT __attribute__((visibility("default")))
#else
#define VEXAL_EXPORT
#endif
#endif

#endif /* VEXAL_EXPORT_H */
