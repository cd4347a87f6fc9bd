// SPDX-License-Identifier: MIT
// How the extension lets large work run without the GIL and stay safe.
//
// The library allows one object to be read by several threads, or changed by
// one. A message, part or reader that Python code can reach is therefore
// guarded by a lock. Work on large data (compressing, inflating, copying
// megabytes) releases the GIL first and takes the lock after; it drops the
// lock before it takes the GIL back. Everything else takes the lock while
// holding the GIL and keeps the GIL throughout. So no thread ever waits for
// the GIL while holding a lock, and a change made from Python waits for the
// GIL-free work on the same object to end.
#ifndef VEXAL_PYTHON_LOCKING_HPP
#define VEXAL_PYTHON_LOCKING_HPP

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <utility>

namespace vexal_python {

/// Data at least this large is worth releasing the GIL for.
constexpr size_t gil_free_bytes = 64 * 1024;

/// Releases the GIL for its lifetime when `release` is true.
class without_gil {
 public:
  explicit without_gil(bool release)
      : state_(release ? PyEval_SaveThread() : nullptr) {}
  ~without_gil() {
    if (state_) PyEval_RestoreThread(state_);
  }
  without_gil(const without_gil&) = delete;
  without_gil& operator=(const without_gil&) = delete;

 private:
  PyThreadState* state_;
};

/// Runs `work` under a `Lock` on `mutex`, with the GIL released while it
/// runs when `large`. The lock is dropped before the GIL is taken back,
/// also when `work` throws.
template <typename Lock, typename Mutex, typename Work>
decltype(auto) run_locked(Mutex& mutex, bool large, Work&& work) {
  const without_gil released(large);
  const Lock lock(mutex);
  return std::forward<Work>(work)();
}

}  // namespace vexal_python

#endif  // VEXAL_PYTHON_LOCKING_HPP
