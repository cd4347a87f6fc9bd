#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// Builds the addon with node-gyp, offline, and answers binding.gyp's
// questions about where the library's sources are.
//
//   node tools/build.js install   npm's install hook: nothing to do when the
//                                 prebuilt addon loads, a build otherwise
//   node tools/build.js rebuild   a build from source
//   node tools/build.js sources | include | generated | flags
//                                 for binding.gyp (run from node/)
//
// The library's sources lie in deps/vexal/ in the packed package and in the
// repository's include/ and src/ beside node/ otherwise. The build passes
// node-gyp --nodedir=<the running Node's prefix> when that prefix has Node's
// headers (include/node/node_api.h), so nothing is downloaded; Debian's
// nodejs keeps them in the libnode-dev package. A missing compiler, make or
// python3 is named in one line.
'use strict';

const fs = require('fs');
const path = require('path');
const { spawnSync } = require('child_process');

const here = path.resolve(__dirname, '..');
const packed = path.join(here, 'deps', 'vexal');
const root = fs.existsSync(packed) ? packed : path.resolve(here, '..');

function stop(text) {
  process.stderr.write(`vexal: ${text}\n`);
  process.exit(1);
}

// Every .cpp below the library's src/, relative to node/ as gyp wants it.
function sources(dir = path.join(root, 'src')) {
  return fs.readdirSync(dir, { withFileTypes: true }).sort((a, b) => a.name.localeCompare(b.name))
    .flatMap((entry) => {
      const file = path.join(dir, entry.name);
      if (entry.isDirectory()) return sources(file);
      return entry.name.endsWith('.cpp') ? [path.relative(here, file)] : [];
    });
}

// The version header that the library's CMake build writes from its
// templates (include/vexal/*.in), written here from the package's version
// (the library's: CI checks that they agree).
function generated() {
  const dir = path.join(here, 'build', 'generated');
  const version = require('../package.json').version;
  const [major, minor, patch] = version.split('.');
  const templates = path.join(root, 'include', 'vexal');
  for (const name of fs.readdirSync(templates).filter((file) => file.endsWith('.in'))) {
    const text = fs.readFileSync(path.join(templates, name), 'utf8')
      .replace(/@PROJECT_VERSION_MAJOR@/g, major).replace(/@PROJECT_VERSION_MINOR@/g, minor)
      .replace(/@PROJECT_VERSION_PATCH@/g, patch).replace(/@PROJECT_VERSION@/g, version);
    fs.mkdirSync(path.join(dir, 'vexal'), { recursive: true });
    const file = path.join(dir, 'vexal', name.slice(0, -3));
    if (!fs.existsSync(file) || fs.readFileSync(file, 'utf8') !== text) fs.writeFileSync(file, text);
  }
  return path.relative(here, dir);
}

// Whether `command` is an executable file on PATH.
function found(command) {
  const dirs = command.includes('/') ? [''] : (process.env.PATH || '').split(path.delimiter);
  return dirs.some((dir) => {
    try {
      fs.accessSync(path.resolve(dir, command), fs.constants.X_OK);
      return true;
    } catch {
      return false;
    }
  });
}

function build(reason) {
  const compiler = (process.env.CXX || '').split(' ')[0];
  if (!(compiler ? found(compiler) : found('c++') || found('g++') || found('clang++'))) {
    stop('no prebuilt addon loads here, and no C++ compiler builds one: install g++ (Debian: apt-get install g++)');
  }
  if (!found('make')) stop('building the addon needs make (Debian: apt-get install make)');
  if (!found('python3')) stop('building the addon needs python3 for node-gyp (Debian: apt-get install python3)');
  // npm hands its own node-gyp to the scripts it runs; otherwise the one
  // beside npm, or the one on PATH.
  const prefix = path.dirname(path.dirname(process.execPath));
  const besideNpm = path.join(prefix, 'lib', 'node_modules', 'npm', 'node_modules', 'node-gyp', 'bin', 'node-gyp.js');
  const gyp = process.env.npm_config_node_gyp || (fs.existsSync(besideNpm) ? besideNpm : '');
  const command = gyp ? [process.execPath, gyp] : ['node-gyp'];
  if (reason) process.stderr.write(`vexal: ${reason}; building the addon from source\n`);
  const args = ['rebuild'];
  if (!process.env.npm_config_nodedir && fs.existsSync(path.join(prefix, 'include', 'node', 'node_api.h'))) {
    args.push(`--nodedir=${prefix}`);
  }
  const run = spawnSync(command[0], [...command.slice(1), ...args], { cwd: here, stdio: 'inherit' });
  if (run.error) stop(`cannot run node-gyp (${run.error.message}): npm carries it, or npm install -g node-gyp`);
  if (run.status !== 0) process.exit(run.status || 1);
}

// Why the prebuilt addon for this platform does not load, or '' when it
// does.
function prebuiltFails() {
  const platform = `${process.platform}-${process.arch}`;
  const file = path.join(here, 'prebuilds', platform, 'vexal.napi.node');
  if (!fs.existsSync(file)) return `no prebuilt addon for ${platform}`;
  try {
    require(file);
    return '';
  } catch (error) {
    return `the prebuilt addon does not load (${error.message.split('\n')[0]})`;
  }
}

const command = process.argv[2];
if (command === 'sources') console.log(sources().join(' '));
else if (command === 'include') console.log(path.relative(here, path.join(root, 'include')));
else if (command === 'private') console.log(path.relative(here, path.join(root, 'src')));
else if (command === 'generated') console.log(generated());
else if (command === 'flags') console.log(process.env.VEXAL_WERROR ? '-Werror' : '-Wall');
else if (command === 'install') {
  const reason = prebuiltFails();
  // In the repository (no prebuilt addon) the build is simply the way.
  if (reason) build(fs.existsSync(packed) ? reason : '');
} else if (command === 'rebuild') build();
else stop(`unknown command ${command}: install, rebuild, sources, include, private, generated or flags`);
