// SPDX-License-Identifier: MIT
// The peer comparison for two payloads of the same size: composing a
// message of them, parsing it into buffers the caller owns, and reading it
// in place (checking it, then handing out both payloads where they lie),
// for libvexal, FlatBuffers, msgpack-cxx, Cap'n Proto and protobuf, beside
// the floors that owning costs. Each library's benchmarks live in a file of
// their own (peers.hpp); this file registers them all, named
// <library>/<operation>/<bytes per part>.
#include <string>

#include "peers.hpp"

namespace {

struct entry {
  const char* name;
  peers::benchmark_function run;
};

constexpr entry entries[] = {
    {"floor/two_vectors", peers::two_vectors},
    {"floor/part_records", peers::part_records},
    {"vexal/compose", peers::vexal_compose},
    {"vexal/parse", peers::vexal_parse},
    {"vexal/parse_reused", peers::vexal_parse_reused},
    {"vexal/new_message", peers::vexal_new_message},
    {"vexal/read", peers::vexal_read},
    {"flatbuffers/compose", peers::flatbuffers_compose},
    {"flatbuffers/parse", peers::flatbuffers_parse},
    {"flatbuffers/read", peers::flatbuffers_read},
    {"msgpack/compose", peers::msgpack_compose},
    {"msgpack/parse", peers::msgpack_parse},
    {"msgpack/read", peers::msgpack_read},
    {"capnp/compose", peers::capnp_compose},
    {"capnp/parse", peers::capnp_parse},
    {"capnp/read", peers::capnp_read},
    {"protobuf/compose", peers::protobuf_compose},
    {"protobuf/parse", peers::protobuf_parse},
};

}  // namespace

int main(int argc, char** argv) {
  for (const size_t part_size : {size_t{16}, size_t{4096}, size_t{65536}}) {
    for (const entry& e : entries) {
      const std::string name =
          std::string(e.name) + "/" + std::to_string(part_size);
      benchmark::RegisterBenchmark(name.c_str(), e.run, part_size);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
