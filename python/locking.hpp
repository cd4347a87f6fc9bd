// SPDX-License-Identifier: MIT
// How the bindings let large work run without the GIL and stay safe.
//
// The library allows one object to be read by several threads, or changed by
// one. A message or reader that Python code can reach is therefore guarded
// by a lock. Work on large data (compressing, inflating, copying megabytes)
// releases the GIL first and takes the lock after; it drops the lock before
// it takes the GIL back. Everything else takes the lock while holding the
// GIL and keeps the GIL throughout. So no thread ever waits for the GIL
// while holding a lock, and a change made from Python waits for the
// GIL-free work on the same object to end.
#ifndef VEXAL_PYTHON_LOCKING_HPP
#define VEXAL_PYTHON_LOCKING_HPP

#include <pybind11/pybind11.h>

#include <cstddef>
#include <optional>
#include <utility>

namespace vexal_python {

/// Data at least this large is worth releasing the GIL for.
constexpr size_t gil_free_bytes = 64 * 1024;

/// Runs `work` under a `Lock` on `mutex`, with the GIL released while it
/// runs when `large`.
template <typename Lock, typename Mutex, typename Work>
decltype(auto) run_locked(Mutex& mutex, bool large, Work&& work) {
  std::optional<pybind11::gil_scoped_release> without_gil;
  if (large) without_gil.emplace();
  const Lock lock(mutex);
  return std::forward<Work>(work)();
}

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_LOCKING_HPP
