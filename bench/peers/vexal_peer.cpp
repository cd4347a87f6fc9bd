// SPDX-License-Identifier: MIT
// libvexal in the peer comparison, called as a user calls it: through the
// installed headers and shared library (CMakeLists.txt), with default
// arguments. Composing serializes a message that holds both parts.
#include <vexal/vexal.hpp>
#include <vexal/view.hpp>

#include "payloads.hpp"
#include "peers.hpp"

namespace peers {
namespace {

kelvo::vexal vexal_message(const payloads& p) {
  return {kelvo::vexal_first_part(p.first), kelvo::vexal_second_part(p.second)};
}

bytes vexal_wire(const payloads& p) {
  bytes wire;
  vexal_message(p).compose(wire);
  return wire;
}

// Parses into a fresh message each time (`Fresh`), as a program that keeps
// what it parses, or into one message that reuses its payload buffers.
template <bool Fresh>
void parse(benchmark::State& state, size_t part_size) {
  const bytes wire = vexal_wire(payloads(part_size));
  kelvo::vexal reused;
  bool ok = true;
  const auto parse_into = [&](kelvo::vexal& message) {
    ok &= message.parse(wire, 0) == wire.size();
    benchmark::DoNotOptimize(message);
  };
  for (auto _ : state) {
    if constexpr (Fresh) {
      kelvo::vexal message;
      parse_into(message);
    } else {
      parse_into(reused);
    }
  }
  if (!ok) state.SkipWithError("the message did not parse");
  set_bytes(state, part_size);
}

}  // namespace

void vexal_compose(benchmark::State& state, size_t part_size) {
  const kelvo::vexal message = vexal_message(payloads(part_size));
  for (auto _ : state) {
    bytes out;
    message.compose(out);
    benchmark::DoNotOptimize(out.data());
  }
  set_bytes(state, part_size);
}

void vexal_parse(benchmark::State& state, size_t part_size) {
  parse<true>(state, part_size);
}

void vexal_parse_reused(benchmark::State& state, size_t part_size) {
  parse<false>(state, part_size);
}

void vexal_new_message(benchmark::State& state, size_t part_size) {
  for (auto _ : state) {
    kelvo::vexal message;
    benchmark::DoNotOptimize(message);
  }
  set_bytes(state, part_size);
}

void vexal_read(benchmark::State& state, size_t part_size) {
  const bytes wire = vexal_wire(payloads(part_size));
  kelvo::vexal_view view;
  find_payloads<false>(state, part_size, [&](found& first, found& second) {
    if (view.parse(wire.data(), wire.size(), 0) != wire.size()) return false;
    first = {view.first().payload_data(), view.first().payload_size()};
    second = {view.second().payload_data(), view.second().payload_size()};
    return true;
  });
}

}  // namespace peers
