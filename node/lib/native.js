// SPDX-License-Identifier: MIT
// Loads the addon as the node-gyp-build/prebuildify convention lays it out:
// a local build (build/Release/vexal.node) first, then the prebuilt addon
// shipped for this platform (prebuilds/<platform>-<arch>/vexal.napi.node).
// Also names the slots of the results array that every native call writes
// its numbers into (src/addon.cpp describes them).
'use strict';

const fs = require('fs');
const path = require('path');

const here = path.resolve(__dirname, '..');
const candidates = [
  path.join(here, 'build', 'Release', 'vexal.node'),
  path.join(here, 'prebuilds', `${process.platform}-${process.arch}`, 'vexal.napi.node'),
];

function load() {
  const failures = [];
  for (const file of candidates) {
    if (!fs.existsSync(file)) continue;
    try {
      return require(file);
    } catch (error) {
      failures.push(`${file}: ${error.message.split('\n')[0]}`);
    }
  }
  throw new Error(`vexal: no addon loads for ${process.platform}-${process.arch} on Node ${process.version}` +
    (failures.length ? ` (${failures.join('; ')})` : ` (none built: run npm rebuild vexal)`));
}

const native = load();
const results = new Float64Array(native.resultsSize);
native.init(results);

module.exports = {
  native,
  results,
  DETAIL: 0,
  USED: 1,
  CODE: 2,
  OFFSET: 3,
  BATCH: 4,
  RECORD: native.recordSize,
  // Statuses of the C interface.
  OK: 0,
  NEED_MORE: 1,
  OUTPUT_TOO_SMALL: 7,
};
