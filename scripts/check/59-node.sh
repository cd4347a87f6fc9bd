# SPDX-License-Identifier: MIT
# The Node package (node/): builds its addon from the repository's sources
# (warnings as errors), runs its node:test suites, checks its type
# declarations with tsc --strict, runs the JavaScript examples of
# docs/node.md, then packs it with npm pack and installs the tarball into a
# fresh project as a user does: the prebuilt addon loads, a broken one is
# rebuilt from the sources inside the tarball, and with no compiler that
# rebuild is refused in one line naming the Debian package. npm packages
# come from the registry (npm ci), nothing from nodejs.org.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/packaging.sh"
cd "$VEXAL_ROOT"

need_packages g++ make python3 binutils
# Debian's nodejs and npm, unless a Node (with its npm) is installed already.
command -v node >/dev/null || need_packages nodejs
command -v npm >/dev/null || need_packages npm
# node-gyp builds against the running Node's headers; Debian keeps them in
# libnode-dev.
[[ -f "$(dirname "$(dirname "$(command -v node)")")/include/node/node_api.h" ]] || need_packages libnode-dev
node -e 'if (+process.versions.node.split(".")[0] < 18) process.exit(1)' || fail "Node $(node -v) is older than 18"

version=$(project_version)
expect_equal "node/package.json version" "$(node -p 'require("./node/package.json").version')" "$version"

cd node
rm -rf build prebuilds deps
VEXAL_WERROR=1 npm ci --no-audit --no-fund --loglevel=error
npm test
npm run --silent types && echo "ok: tsc --strict --noEmit"
node tools/doc-examples.js ../docs/node.md

# The packed tarball, installed into a fresh project outside the repository.
work="$VEXAL_ROOT/build/node-package"
rm -rf "$work"
mkdir -p "$work/project"
npm pack --pack-destination "$work" --loglevel=error >/dev/null
tarball="$work/vexal-$version.tgz"
[[ -f "$tarball" ]] || fail "npm pack made no $tarball"
listing=$(tar -tzf "$tarball")
grep -qx 'package/prebuilds/linux-x64/vexal.napi.node' <<<"$listing" || fail "no prebuilt addon in the tarball"
grep -q '^package/deps/vexal/src/' <<<"$listing" || fail "no library sources in the tarball"
! grep -q '^package/test/' <<<"$listing" || fail "the tests are packed"
cd "$work/project"
npm init -y >/dev/null
npm install --no-audit --no-fund --loglevel=error "$tarball"
addon=node_modules/vexal/prebuilds/linux-x64/vexal.napi.node
needs=$(objdump -p "$addon" | sed -n 's/^ *NEEDED *//p' | sort | tr '\n' ' ')
expect_equal "what the prebuilt addon needs" "$needs" "ld-linux-x86-64.so.2 libc.so.6 "
use='const v = require("vexal"); const m = v.parse(v.compose({ payload: Buffer.from("ab") },
  { payload: Buffer.from("c"), compression: v.Compression.ZLIB_DEFAULT }));
console.log(v.version, m.first.payload.toString(), m.second.payload.toString(), m.end,
  require.resolve("vexal").includes("node_modules/vexal"))'
expect_equal "the installed package, prebuilt" "$(node -e "$use")" "$version ab c 27 true"
[[ ! -d node_modules/vexal/build ]] || fail "the install built the addon although the prebuilt one loads"
expect_equal "import of the installed package" \
  "$(node --input-type=module -e 'import * as v from "vexal"; import { createRequire } from "module";
console.log(v.Reader === createRequire(import.meta.url)("vexal").Reader)')" "true"

# A prebuilt addon that does not load is rebuilt from the packed sources.
echo broken >"$addon"
npm rebuild vexal --loglevel=error >"$work/rebuild.log" 2>&1 || { tail -20 "$work/rebuild.log"; fail "npm rebuild"; }
[[ -f node_modules/vexal/build/Release/vexal.node ]] || fail "npm rebuild built no addon"
expect_equal "the installed package, rebuilt" "$(node -e "$use")" "$version ab c 27 true"

# Without a compiler, one line names the Debian package.
rm -rf node_modules/vexal/build
mkdir -p "$work/bin"
ln -sf "$(command -v node)" "$work/bin/node"
expect_equal "without a compiler" "$(PATH="$work/bin" node node_modules/vexal/tools/build.js install 2>&1)" \
  "vexal: no prebuilt addon loads here, and no C++ compiler builds one: install g++ (Debian: apt-get install g++)"
