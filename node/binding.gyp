# SPDX-License-Identifier: MIT
# The addon vexal.node: src/addon.cpp and the library's sources, built with
# node-gyp. tools/build.js finds the sources (deps/vexal/ when packed, the
# repository otherwise) and writes the version header. zlib's declarations
# come from Node's own headers and its symbols from the Node process, which
# exports them; the C++ runtime is linked in statically, so the addon needs
# only glibc.
{
  "targets": [{
    "target_name": "vexal",
    "sources": ["src/addon.cpp", "<!@(node tools/build.js sources)"],
    "include_dirs": [
      "<!(node -p \"require('node-addon-api').include_dir\")",
      "<!(node tools/build.js include)",
      "<!(node tools/build.js generated)",
      "<!(node tools/build.js private)"
    ],
    "defines": ["NAPI_VERSION=8", "NAPI_DISABLE_CPP_EXCEPTIONS", "VEXAL_STATIC"],
    "cflags!": ["-fno-exceptions"],
    "cflags_cc!": ["-fno-exceptions", "-fno-rtti", "-std=gnu++17"],
    "cflags_cc": ["-std=c++17", "-fexceptions", "-fvisibility=hidden", "-fvisibility-inlines-hidden",
                  "-Wall", "-Wextra", "-Wpedantic", "<!(node tools/build.js flags)"],
    "ldflags": ["-static-libstdc++", "-static-libgcc", "-Wl,--exclude-libs,ALL"]
  }]
}
