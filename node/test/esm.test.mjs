// SPDX-License-Identifier: MIT
// import and require give the very same objects.
import test from 'node:test';
import assert from 'node:assert';
import { createRequire } from 'node:module';
import * as vexal from 'vexal';

test('import and require share every export', () => {
  const required = createRequire(import.meta.url)('vexal');
  assert.deepStrictEqual(Object.keys(vexal).filter((key) => key !== 'default').sort(), Object.keys(required).sort());
  for (const key of Object.keys(required)) assert.strictEqual(vexal[key], required[key], key);
});
