#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// Seeds simple faults into a copy of the package's JavaScript (lib/), one at
// a time, and reports which ones `node --test` catches: a developer's tool,
// like scripts/mutants for the library, not a CI stage.
//
// The copy (build/mutants/) holds lib/, test/, package.json, index.mjs, the built addon
// and a link to node_modules; each mutant swaps one operator or literal on
// one line (outside strings and comments), in a fixed order, and the suite
// runs with a timeout, so that a hang counts as caught.
//
// Usage: node tools/mutants.js [--limit N] [--file REGEX]
'use strict';

const fs = require('fs');
const path = require('path');
const { spawnSync } = require('child_process');

const here = path.resolve(__dirname, '..');
const work = path.join(here, 'build', 'mutants');
const option = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : fallback;
};
const limit = Number(option('--limit', Infinity));
const only = new RegExp(option('--file', '.'));

const swaps = [
  [/ === /, ' !== '], [/ !== /, ' === '], [/ < /, ' <= '], [/ <= /, ' < '], [/ > /, ' >= '],
  [/ >= /, ' > '], [/ && /, ' || '], [/ \|\| /, ' && '], [/ \+ /, ' - '], [/ - /, ' + '],
  [/\btrue\b/, 'false'], [/\bfalse\b/, 'true'], [/(?<![\w.])(\d+)(?![\w.])/, (n) => String(Number(n) + 1)],
];

// The mutants of one file: [line number, the line mutated, what changed].
function mutants(text) {
  const found = [];
  text.split('\n').forEach((line, number) => {
    const code = line.replace(/\/\/.*$/, '').replace(/'(?:\\.|[^'\\])*'|`(?:\\.|[^`\\])*`/g, (s) => ' '.repeat(s.length));
    if (/^\s*(\*|\/\/|'use strict')/.test(line) || /require\(/.test(line)) return;
    for (const [pattern, replacement] of swaps) {
      const flags = pattern.flags.includes('g') ? pattern.flags : `${pattern.flags}g`;
      for (const match of code.matchAll(new RegExp(pattern.source, flags))) {
        const by = typeof replacement === 'function' ? replacement(match[0]) : replacement;
        found.push([number, line.slice(0, match.index) + by + line.slice(match.index + match[0].length),
          `${match[0].trim()} -> ${by.trim()}`]);
      }
    }
  });
  return found;
}

fs.rmSync(work, { recursive: true, force: true });
for (const dir of ['lib', 'test']) fs.cpSync(path.join(here, dir), path.join(work, dir), { recursive: true });
for (const file of ['package.json', 'index.mjs']) fs.copyFileSync(path.join(here, file), path.join(work, file));
fs.mkdirSync(path.join(work, 'build', 'Release'), { recursive: true });
fs.copyFileSync(path.join(here, 'build', 'Release', 'vexal.node'), path.join(work, 'build', 'Release', 'vexal.node'));
fs.symlinkSync(path.join(here, 'node_modules'), path.join(work, 'node_modules'));

const run = () => spawnSync(process.execPath, ['--test', 'test/'], { cwd: work, stdio: 'ignore', timeout: 120000 });
if (run().status !== 0) throw new Error('the suite fails on the unchanged copy');
let tried = 0;
const missed = [];
for (const name of fs.readdirSync(path.join(work, 'lib')).filter((file) => only.test(file))) {
  const file = path.join(work, 'lib', name);
  const original = fs.readFileSync(file, 'utf8');
  const lines = original.split('\n');
  for (const [number, line, change] of mutants(original)) {
    if (tried >= limit) break;
    tried++;
    fs.writeFileSync(file, [...lines.slice(0, number), line, ...lines.slice(number + 1)].join('\n'));
    if (run().status === 0) {
      missed.push(`lib/${name}:${number + 1}: ${change}: ${line.trim()}`);
      console.log(`missed  lib/${name}:${number + 1}: ${change}`);
    }
    fs.writeFileSync(file, original);
  }
}
console.log(`${tried - missed.length} of ${tried} mutants caught`);
for (const line of missed) console.log(`  ${line}`);
