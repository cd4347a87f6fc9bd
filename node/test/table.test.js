// SPDX-License-Identifier: MIT
// The table of good and refused messages, read by parse() and by a Reader
// (behind a good message, so stream offsets differ from buffer offsets):
// the same statuses, error classes, codes, offsets and the library's texts.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const vexal = require('..');
const { rows } = require('./messages.json');

const limitStatuses = new Set(['MESSAGE_TOO_LONG', 'PAYLOAD_TOO_LONG']);

function limitsOf(row) {
  const [maxMessageSize, maxPayloadSize] = (row.limits || [null, null]).map((n) => (n === null ? Infinity : n));
  return { maxMessageSize, maxPayloadSize };
}

// Checks `call` throws the refusal of `row`, its offset moved by `shift`.
function assertRefused(call, row, code, at, shift) {
  assert.throws(call, (error) => {
    assert.ok(error instanceof vexal.VexalError, `${error}`);
    assert.strictEqual(error instanceof vexal.LimitError, limitStatuses.has(code));
    assert.deepStrictEqual([error.code, error.offset], [code, at + shift]);
    assert.ok(row.payload_code ? error.message.startsWith(row.text) : error.message === row.text, error.message);
    return true;
  });
}

// Checks a message read from `row` at `shift`, the payload refusal included.
function assertMessage(message, row, shift) {
  assert.deepStrictEqual([message.first.type, message.second.type], [1, 0]);
  if (row.payload_code) assertRefused(() => message.first.payload, row, row.payload_code, row.payload_at, shift);
  else assert.ok(Buffer.isBuffer(message.first.payload) && Buffer.isBuffer(message.second.payload));
}

for (const row of rows) {
  const bytes = Buffer.from(row.bytes.replace(/ /g, ''), 'hex');
  const name = `${row.bytes.slice(0, 23)}... at ${row.offset}: ${row.text || row.status}`;

  test(`parse ${name}`, () => {
    const call = () => vexal.parse(bytes, row.offset, limitsOf(row));
    if (row.status === 'NEED_MORE') return assert.strictEqual(call(), null);
    if (row.status !== 'OK') return assertRefused(call, row, row.code, row.at, 0);
    const message = call();
    assert.strictEqual(message.end, row.end);
    assertMessage(message, row, 0);
  });

  test(`Reader ${name}`, () => {
    const good = vexal.compose({ payload: Buffer.alloc(0), format: 2 }, { payload: Buffer.alloc(0) });
    // The row's message starts a chunk's second message, the stream's third.
    const shift = 2 * good.length - row.offset;
    const reader = new vexal.Reader(limitsOf(row));
    reader.push(good);
    reader.push(Buffer.concat([good, bytes.subarray(row.offset, row.end)]));
    assert.strictEqual(reader.next().first.format, 2);
    assert.strictEqual(reader.next().first.format, 2);
    if (row.status === 'NEED_MORE') {
      const cut = bytes.length > row.offset;
      assert.deepStrictEqual([reader.next(), reader.atBoundary, reader.offset], [null, !cut, 2 * good.length]);
    } else if (row.status !== 'OK') {
      for (let i = 0; i < 2; ++i) assertRefused(() => reader.next(), row, row.code, row.at, shift);
      reader.skip();
      assert.strictEqual(reader.next(), null);
    } else {
      assertMessage(reader.next(), row, shift);
      assert.deepStrictEqual([reader.next(), reader.atBoundary, reader.offset], [null, true, row.end + shift]);
    }
  });
}
