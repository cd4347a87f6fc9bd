// SPDX-License-Identifier: MIT
// Benchmarks of peer formats doing the work that a vexal view does, for the
// same payloads; built only when the peer's library is installed.
#ifndef VEXAL_BENCH_PEER_BENCH_HPP
#define VEXAL_BENCH_PEER_BENCH_HPP

namespace vexal_bench {

// Registers flatbuffers_read/none/<kind>/<bytes per part>.
void register_flatbuffers_benchmarks();

}  // namespace vexal_bench

#endif  // VEXAL_BENCH_PEER_BENCH_HPP
