// SPDX-License-Identifier: MIT
// Runs every ```js and ```mjs block of a page (docs/node.md) with the
// package it documents; a block's trailing `// -> line` comments are the
// output it must print.
// Usage: node tools/doc-examples.js PAGE
'use strict';

const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const page = fs.readFileSync(process.argv[2], 'utf8');
const work = path.join(__dirname, '..', 'build', 'docs');
fs.mkdirSync(work, { recursive: true });
const blocks = [...page.matchAll(/```(js|mjs)\n([\s\S]*?)```/g)];
assert.ok(blocks.length > 0, `no JavaScript in ${process.argv[2]}`);
for (const [number, [, language, code]] of blocks.entries()) {
  const file = path.join(work, `example-${number}.${language}`);
  fs.writeFileSync(file, code);
  const printed = execFileSync(process.execPath, [file], { encoding: 'utf8', timeout: 20000 });
  const expected = [...code.matchAll(/^\/\/ -> (.*)$/gm)].map((match) => match[1]);
  if (expected.length) assert.deepStrictEqual(printed.trimEnd().split('\n'), expected, `example ${number}`);
  console.log(`ok: docs example ${number} (${language}) runs${expected.length ? ' and prints what it says' : ''}`);
}
