// SPDX-License-Identifier: MIT
// The table of good and refused messages that every language's suite reads
// (tests/data/messages.txt), read by parse() and by a Reader (behind other
// messages, so that stream offsets differ from buffer offsets): the same
// statuses, codes, offsets and the library's exact texts. Neither inflates
// while reading, so a message refused only for a zlib stream is refused by
// the payload of the part whose stored bytes start at the row's offset.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const vexal = require('..');

const rows = fs.readFileSync(path.join(__dirname, '..', '..', 'tests', 'data', 'messages.txt'), 'utf8')
  .split('\n').filter((line) => line.trim() && !line.startsWith('#')).map((line) => {
    const [bytes, offset, maxMessage, maxPayload, status, code, at, end, text] = line.split('|').map((f) => f.trim());
    const limit = (field) => (field === '-' ? Infinity : Number(field));
    return {
      bytes: Buffer.from(bytes.replace(/ /g, ''), 'hex'), offset: Number(offset), status, code, at: Number(at),
      end: Number(end), text: JSON.parse(text), limits: { maxMessageSize: limit(maxMessage), maxPayloadSize: limit(maxPayload) },
    };
  });
const limitCodes = new Set(['MESSAGE_TOO_LONG', 'PAYLOAD_TOO_LONG']);

function assertRefusal(error, row, shift) {
  assert.ok(error instanceof vexal.VexalError, `${error}`);
  assert.strictEqual(error instanceof vexal.LimitError, limitCodes.has(row.code));
  assert.deepStrictEqual([error.code, error.offset, error.message], [row.code, row.at + shift, row.text]);
}

// Checks a message read from `row` whose first byte is `start` in the
// row's bytes and `start + shift` in the caller's terms.
function assertMessage(message, row, start, shift) {
  assert.deepStrictEqual([message.first.type, message.second.type], [1, 0]);
  const stored = [start + 8, start + 16 + message.first.storedSize];
  for (const [i, part] of [message.first, message.second].entries()) {
    if (row.status !== 'OK' && stored[i] === row.at) {
      assert.throws(() => part.payload, (error) => assertRefusal(error, row, shift) || true);
    } else {
      assert.ok(Buffer.isBuffer(part.payload));
    }
  }
  assert.ok(row.status === 'OK' || stored.includes(row.at), 'a refusal that reading the headers missed');
}

// Runs `read`, which returns a message or null; a refusal must be the row's.
function outcome(read, row, shift) {
  try {
    return read();
  } catch (error) {
    assertRefusal(error, row, shift);
    return 'refused';
  }
}

for (const row of rows) {
  const name = `${row.bytes.toString('hex').slice(0, 24)}... at ${row.offset}: ${row.text || row.status}` +
    ` (${row.limits.maxMessageSize}, ${row.limits.maxPayloadSize})`;

  test(`parse ${name}`, () => {
    const call = () => vexal.parse(row.bytes, row.offset, row.limits);
    if (row.status === 'INVALID_ARGUMENT') return assert.throws(call, RangeError);
    const message = outcome(call, row, 0);
    if (row.status === 'NEED_MORE') return assert.strictEqual(message, null);
    if (message === 'refused') return;
    assertMessage(message, row, row.offset, 0);
    if (row.status === 'OK') assert.strictEqual(message.end, row.end);
  });

  test(`Reader ${name}`, { skip: row.status === 'INVALID_ARGUMENT' && 'an offset past the input has no stream' }, () => {
    const good = vexal.compose({ payload: Buffer.alloc(0), format: 2 }, { payload: Buffer.alloc(0) });
    // The row's message starts a chunk's second message, the stream's third.
    const shift = 2 * good.length - row.offset;
    const reader = new vexal.Reader(row.limits);
    reader.push(good);
    reader.push(Buffer.concat([good, row.bytes.subarray(row.offset, Math.max(row.end, row.bytes.length))]));
    assert.deepStrictEqual([reader.next().first.format, reader.next().first.format], [2, 2]);
    const message = outcome(() => reader.next(), row, shift);
    if (message === 'refused') {
      assert.throws(() => reader.next(), (error) => assertRefusal(error, row, shift) || true);
      reader.skip();
    } else if (message === null) {
      assert.strictEqual(row.status, 'NEED_MORE');
      assert.deepStrictEqual([reader.atBoundary, reader.offset], [row.bytes.length === row.offset, 2 * good.length]);
    } else {
      assertMessage(message, row, row.offset, shift);
      if (row.status === 'OK') assert.strictEqual(reader.offset, row.end + shift);
    }
  });
}
