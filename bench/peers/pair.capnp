# SPDX-License-Identifier: MIT
# The peer comparison's message for Cap'n Proto: both payloads as Data, in
# one struct (no data section, two pointers).
@0xa565a90e955204a7;

using Cxx = import "/capnp/c++.capnp";
$Cxx.namespace("capnp_peer");

struct Pair {
  first @0 :Data;
  second @1 :Data;
}
