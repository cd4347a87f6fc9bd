// SPDX-License-Identifier: MIT
// The API's edges: arguments refused before the library sees them, limits
// at their exact bounds and by default, names and values, and where a
// message read across chunks lives.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const vexal = require('..');

const part = (payload, compression = 0) => ({ payload, compression });
const wire = vexal.compose(part(Buffer.from('abc')), part(Buffer.alloc(300, 7), vexal.Compression.ZLIB_DEFAULT));

test('arguments are refused with the error a Node user expects', () => {
  for (const [call, Class] of [
    [() => vexal.parse('text'), TypeError],
    [() => vexal.parse(wire, wire.length + 1), RangeError],
    [() => vexal.parse(wire, -1), RangeError],
    [() => vexal.parse(wire, 1.5), RangeError],
    [() => vexal.parse(wire, 0, { maxMessageSize: -1 }), RangeError],
    [() => vexal.parse(wire, 0, { maxPayloadSize: NaN }), RangeError],
    [() => vexal.parse(wire, 0, 5), TypeError],
    [() => vexal.compose(part(Buffer.alloc(1)), null), TypeError],
    [() => vexal.compose(part('x'), part(Buffer.alloc(1))), TypeError],
    [() => vexal.compose({ payload: Buffer.alloc(1), format: 2 ** 32 }, part(Buffer.alloc(1))), TypeError],
    [() => vexal.compose(part(Buffer.alloc(1), 1.5), part(Buffer.alloc(1))), TypeError],
    [() => new vexal.Reader().push([1, 2]), TypeError],
    [() => new vexal.Reader(undefined, 'copy'), TypeError],
  ]) {
    assert.throws(call, (error) => error.constructor === Class, call.toString());
  }
  assert.strictEqual(vexal.parse(wire, wire.length), null);
});

test('limits are inclusive, Infinity is none, and omitted ones are 64 MiB', () => {
  const inflated = (limits) => vexal.parse(wire, 0, limits).second.payload.length;
  assert.strictEqual(inflated({ maxPayloadSize: 300 }), 300);
  assert.throws(() => inflated({ maxPayloadSize: 299 }), { code: 'PAYLOAD_TOO_LONG', offset: 19 });
  assert.ok(vexal.parse(wire, 0, { maxMessageSize: wire.length }));
  const empty = vexal.compose(part(Buffer.alloc(0)), part(Buffer.alloc(0)));
  assert.strictEqual(vexal.parse(empty, 0, { maxMessageSize: 16, maxPayloadSize: 0 }).end, 16);
  assert.throws(() => vexal.parse(wire, 0, { maxMessageSize: wire.length - 1 }), vexal.LimitError);
  // Headers alone that announce 64 MiB + 1 bytes.
  const huge = Buffer.from('0103000004000001', 'hex');
  assert.throws(() => vexal.parse(huge), { code: 'MESSAGE_TOO_LONG', offset: 4 });
  assert.throws(() => vexal.parse(huge, 0, { maxMessageSize: Infinity }), { code: 'PAYLOAD_TOO_LONG', offset: 4 });
  assert.strictEqual(vexal.parse(huge, 0, { maxPayloadSize: Infinity, maxMessageSize: Infinity }), null);
});

test('names and values are the library ones, frozen', () => {
  assert.deepStrictEqual(Object.entries(vexal.Format), [['BYTES', 0], ['APPLICATION_1', 1], ['APPLICATION_2', 2]]);
  assert.deepStrictEqual(Object.values(vexal.Compression), [...Array(13).keys()]);
  assert.strictEqual(vexal.Compression.ZLIB_LEVEL_9, 12);
  assert.ok(Object.isFrozen(vexal.Format) && Object.isFrozen(vexal.Compression));
  assert.strictEqual(vexal.version, require('../package.json').version);
  const error = new vexal.TruncatedError(3, 4);
  assert.ok(error instanceof vexal.VexalError && error instanceof Error && error.name === 'TruncatedError');
});

test('a message cut between chunks is copied once; the others stay views', () => {
  const reader = new vexal.Reader();
  // Chunks with memory of their own (small Buffers share Node's pool).
  const own = (bytes) => Buffer.from(new Uint8Array(bytes).buffer);
  const chunks = [own(Buffer.concat([wire, wire.subarray(0, 5)])), own(Buffer.concat([wire.subarray(5), wire]))];
  chunks.forEach((chunk) => reader.push(chunk));
  const read = [0, 1, 2].map((i) => {
    assert.strictEqual(reader.offset, i * wire.length);
    return reader.next();
  });
  assert.deepStrictEqual(read.map((m) => m.first.payload.buffer === chunks[0].buffer), [true, false, false]);
  assert.deepStrictEqual(read.map((m) => m.first.payload.buffer === chunks[1].buffer), [false, false, true]);
  assert.deepStrictEqual(read.map((m) => [m.offset, m.first.payload.toString(), m.second.payload.length]),
    [[0, 'abc', 300], [wire.length, 'abc', 300], [2 * wire.length, 'abc', 300]]);
  const three = new vexal.Reader();
  three.push(Buffer.concat([wire, wire, wire]));
  three.next();
  assert.strictEqual(three.offset, wire.length);
  const copied = vexal.parse(chunks[1], wire.length - 5, undefined, { copy: true });
  assert.ok(copied.first.payload.buffer !== chunks[1].buffer && copied.first.payload.toString() === 'abc');
  assert.deepStrictEqual(copied.second.payload, Buffer.alloc(300, 7));
});

test('inflated payloads are each their own Buffer, whatever their size', () => {
  for (const size of [100, 64 << 10, (64 << 10) + 1, 2 << 20]) {
    const m = vexal.parse(vexal.compose(part(Buffer.alloc(size, 1), 1), part(Buffer.alloc(size, 2), 1)));
    const [first, second] = [m.first.payload, m.second.payload];
    assert.deepStrictEqual([first.length, first[size - 1], second.length, second[size - 1]], [size, 1, size, 2]);
  }
  // Bytes that do not compress make a message over the scratch buffer.
  const noise = require('node:crypto').randomBytes(100 << 10);
  assert.deepStrictEqual(vexal.parse(vexal.compose(part(noise, 2), part(noise, 0))).first.payload, noise);
});

test('decodeStream skips with keepGoing; encodeStream fails on a bad part', async () => {
  const { Readable } = require('node:stream');
  const bad = Buffer.from('01030700000000000203000000000000', 'hex');
  const read = await Readable.from([Buffer.concat([wire, bad, wire])])
    .pipe(vexal.decodeStream(undefined, { keepGoing: true })).toArray();
  assert.deepStrictEqual(read.map((m) => m.offset), [0, wire.length + bad.length]);
  await assert.rejects(Readable.from([Buffer.concat([wire, bad])]).pipe(vexal.decodeStream()).toArray(),
    { code: 'UNKNOWN_COMPRESSION_CODE', offset: wire.length + 2 });
  // By default, messages() and decodeStream hand out views of the chunk.
  const chunk = Buffer.from(new Uint8Array(wire).buffer);
  for await (const m of vexal.messages([chunk])) assert.strictEqual(m.first.payload.buffer, chunk.buffer);
  const [decoded] = await Readable.from([chunk]).pipe(vexal.decodeStream()).toArray();
  assert.strictEqual(decoded.first.payload.buffer, chunk.buffer);
  const encoder = vexal.encodeStream();
  const failed = new Promise((resolve) => encoder.on('error', resolve));
  encoder.write({ first: { payload: Buffer.alloc(1), format: 5 }, second: part(Buffer.alloc(0)) });
  assert.strictEqual((await failed).code, 'UNKNOWN_FORMAT');
});
