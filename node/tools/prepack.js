#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// npm pack's hooks. Before packing: copies the library's sources into
// deps/vexal/ (so that an install can build the addon from them), the
// licence and docs/node.md (as the package's README) beside package.json,
// and builds the prebuilt addon for this platform from the copied sources
// into prebuilds/<platform>-<arch>/vexal.napi.node, stripped. After packing
// (--clean): removes the copies and the prebuilt addon again, so that the
// repository's own build is the one it loads.
'use strict';

const fs = require('fs');
const path = require('path');
const { spawnSync } = require('child_process');

const here = path.resolve(__dirname, '..');
const repo = path.resolve(here, '..');
const deps = path.join(here, 'deps');
const copies = [[path.join(repo, 'LICENSE'), path.join(here, 'LICENSE')],
  [path.join(repo, 'docs', 'node.md'), path.join(here, 'README.md')]];

function run(command, args) {
  const done = spawnSync(command, args, { cwd: here, stdio: 'inherit' });
  if (done.status !== 0) process.exit(done.status || 1);
}

fs.rmSync(deps, { recursive: true, force: true });
fs.rmSync(path.join(here, 'prebuilds'), { recursive: true, force: true });
for (const [, to] of copies) fs.rmSync(to, { force: true });
if (process.argv[2] !== '--clean') {
  for (const dir of ['include', 'src']) {
    fs.cpSync(path.join(repo, dir), path.join(deps, 'vexal', dir), {
      recursive: true,
      filter: (file) => fs.statSync(file).isDirectory() || /\.(h|hpp|cpp|in)$/.test(file),
    });
  }
  for (const [from, to] of copies) fs.copyFileSync(from, to);
  run(process.execPath, [path.join(here, 'tools', 'build.js'), 'rebuild']);
  const prebuilt = path.join(here, 'prebuilds', `${process.platform}-${process.arch}`);
  fs.mkdirSync(prebuilt, { recursive: true });
  fs.copyFileSync(path.join(here, 'build', 'Release', 'vexal.node'), path.join(prebuilt, 'vexal.napi.node'));
  run('strip', ['--strip-unneeded', path.join(prebuilt, 'vexal.napi.node')]);
}
