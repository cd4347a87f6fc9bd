// SPDX-License-Identifier: MIT
// Streams: a stream cut at every byte reads the same messages through a
// Reader and through messages(), and every cut inside a message ends in
// TruncatedError; views share the chunk's memory and copies do not; a
// loopback socket carrying good, hostile and over-limit messages mixed;
// the two Transforms; compose's bytes, levels and refusals.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const net = require('node:net');
const zlib = require('node:zlib');
const { pipeline } = require('node:stream/promises');
const { Readable } = require('node:stream');
const vexal = require('..');

const { ZLIB_DEFAULT, ZLIB_LEVEL_1, ZLIB_LEVEL_9 } = vexal.Compression;
const big = Buffer.from(Array.from({ length: 5000 }, (_, i) => i % 251));
const parts = [
  [{ payload: Buffer.alloc(0) }, { payload: Buffer.alloc(0) }],
  [{ payload: Buffer.from('hi'), format: 1 }, { payload: Buffer.from('there'), compression: ZLIB_DEFAULT }],
  [{ payload: big, compression: ZLIB_LEVEL_9, format: 2 }, { payload: big.subarray(9, 300) }],
  [{ payload: big }, { payload: Buffer.from('z') }],
];
const wires = parts.map(([first, second]) => vexal.compose(first, second));
const stream = Buffer.concat(wires);
const starts = wires.map((_, i) => wires.slice(0, i).reduce((n, w) => n + w.length, 0));

// What a message reads as: [offset, format, compressed, payload] per part.
function summary(message) {
  return [message.offset, ...[message.first, message.second].map((p) => [p.type, p.format, p.compressed, p.payload])];
}
const expected = parts.map(([first, second], i) => [starts[i],
  ...[first, second].map((p, j) => [1 - j, p.format || 0, (p.compression || 0) !== 0, Buffer.from(p.payload)])]);

test('a stream cut at every byte reads the same messages', () => {
  for (let cut = 0; cut <= stream.length; ++cut) {
    const reader = new vexal.Reader();
    const read = [];
    for (const chunk of [stream.subarray(0, cut), stream.subarray(cut)]) {
      reader.push(chunk);
      for (let m = reader.next(); m !== null; m = reader.next()) read.push(summary(m));
    }
    assert.deepStrictEqual(read, expected, `cut at ${cut}`);
    assert.ok(reader.atBoundary);
  }
});

test('messages() ends every cut inside a message with TruncatedError', async () => {
  for (let cut = 0; cut <= stream.length; cut += cut < 200 ? 1 : 997) {
    const read = [];
    const inside = starts.findLastIndex((start) => start < cut && cut < stream.length);
    const done = (async () => {
      for await (const m of vexal.messages([stream.subarray(0, cut)])) read.push(summary(m));
    })();
    if (inside < 0 || starts.includes(cut)) {
      await done;
      continue;
    }
    await assert.rejects(done, (error) => error instanceof vexal.TruncatedError && error.code === 'TRUNCATED' &&
      error.offset === starts[inside] && error.needed > 0 && error.needed <= stream.length - cut);
    assert.deepStrictEqual(read, expected.slice(0, inside), `cut at ${cut}`);
  }
});

test('views share the chunk memory; { copy: true } does not', () => {
  const chunk = Buffer.concat([wires[1], wires[3]]);
  const reader = new vexal.Reader();
  const copying = new vexal.Reader(undefined, { copy: true });
  reader.push(chunk);
  copying.push(chunk);
  const [view, copy] = [reader.next(), copying.next()];
  const parsed = vexal.parse(chunk, wires[1].length);
  assert.ok(view.first.payload.buffer === chunk.buffer && parsed.first.payload.buffer === chunk.buffer);
  assert.strictEqual(view.first.payload.byteOffset, chunk.byteOffset + 8);
  chunk[8] ^= 0xff;
  assert.deepStrictEqual([view.first.payload[0], copy.first.payload.toString()], [0x68 ^ 0xff, 'hi']);
  assert.strictEqual(parsed.first.payload[0], chunk[wires[1].length + 8]);
});

test('compose writes the library bytes, zlib level bits included, and refuses bad values', () => {
  assert.strictEqual(vexal.compose({ payload: Buffer.from([0xaa, 0xbb]) }, { payload: new Uint8Array(0) })
    .toString('hex'), '0103000000000002aabb0203000000000000');
  for (const [compression, flags] of [[ZLIB_LEVEL_1, 0x01], [ZLIB_DEFAULT, 0x9c], [ZLIB_LEVEL_9, 0xda]]) {
    const wire = vexal.compose({ payload: big, compression }, { payload: Buffer.alloc(0) });
    assert.strictEqual(wire[9], flags);
    assert.deepStrictEqual(zlib.inflateSync(wire.subarray(8, 8 + wire.readUInt32BE(4))), big);
  }
  for (const [part, code, text] of [
    [{ format: 3 }, 'UNKNOWN_FORMAT', 'Unknown vexal format'],
    [{ compression: 13 }, 'UNKNOWN_COMPRESSION', 'Unknown vexal compression'],
    [{ compression: -1 }, 'UNKNOWN_COMPRESSION', 'Unknown vexal compression'],
  ]) {
    assert.throws(() => vexal.compose({ payload: big }, { payload: big, ...part }),
      (error) => error instanceof vexal.VexalError && error.code === code && error.message === text &&
        error.offset === 0);
  }
});

test('a compressed part never inflates past maxPayloadSize', () => {
  const bomb = vexal.compose({ payload: Buffer.alloc(8 << 20), compression: ZLIB_LEVEL_9 }, { payload: big });
  const message = vexal.parse(bomb, 0, { maxPayloadSize: 1 << 20 });
  assert.throws(() => message.first.payload, (error) => error instanceof vexal.LimitError &&
    error.code === 'PAYLOAD_TOO_LONG' && error.offset === 8);
  assert.strictEqual(vexal.parse(bomb).first.payload.length, 8 << 20);
});

// A server that writes `wire` in pieces of `piece` bytes; resolves to a
// client socket reading it.
async function serve(wire, piece) {
  const server = net.createServer(async (socket) => {
    socket.on('error', () => {}); // the client stops reading at a refusal
    for (let at = 0; at < wire.length; at += piece) {
      if (!socket.write(wire.subarray(at, at + piece))) await new Promise((resolve) => socket.once('drain', resolve));
    }
    socket.end();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const socket = net.connect(server.address().port, '127.0.0.1');
  socket.on('close', () => server.close());
  return socket;
}

test('a loopback socket of good, hostile and over-limit messages', async () => {
  const damaged = Buffer.from(wires[1]);
  damaged[2] = 1; // the first part claims a zlib stream: "hi" is none
  // [bytes, the code that refuses them, or null for a good message]
  const mix = [
    [wires[0], null],
    [Buffer.from('05090000000000000203000000000000', 'hex'), 'UNKNOWN_TYPE_CODE'],
    [wires[1], null],
    [vexal.compose({ payload: Buffer.alloc(200000), compression: ZLIB_DEFAULT }, { payload: big.subarray(0, 9) }), 'PAYLOAD_TOO_LONG'],
    [damaged, 'ZLIB_FAILED'],
    [wires[3], 'MESSAGE_TOO_LONG'],
    [wires[1], null],
  ];
  const wire = Buffer.concat(mix.map(([bytes]) => bytes));
  const offsets = mix.map((_, i) => mix.slice(0, i).reduce((n, [bytes]) => n + bytes.length, 0));
  const limits = { maxMessageSize: 4096, maxPayloadSize: 100000 };
  const read = [];
  for await (const m of vexal.messages(await serve(wire, 1000), { limits, keepGoing: true })) read.push(m.offset);
  assert.deepStrictEqual(read, offsets.filter((_, i) => mix[i][1] === null));
  // Without keepGoing, the first refusal ends the loop, with its offset.
  for (const [i, [, code]] of mix.entries()) {
    if (code === null) continue;
    await assert.rejects(async () => {
      for await (const m of vexal.messages(await serve(wire.subarray(offsets[i]), 7), { limits })) void m;
    }, (error) => error instanceof vexal.VexalError && error.code === code &&
      error.offset >= 0 && error.offset < mix[i][0].length);
  }
});

test('decodeStream and encodeStream carry messages both ways', async () => {
  const out = [];
  await pipeline(Readable.from([stream.subarray(0, 5), stream.subarray(5)]), vexal.decodeStream(),
    vexal.encodeStream(), async function* (source) {
      for await (const chunk of source) out.push(chunk);
    });
  // Parsed parts come back inflated, so they are composed stored as is.
  const raw = parts.map(([first, second]) => vexal.compose({ ...first, compression: 0 }, { ...second, compression: 0 }));
  assert.deepStrictEqual(Buffer.concat(out), Buffer.concat(raw));
  await assert.rejects(pipeline(Readable.from([stream.subarray(0, 30)]), vexal.decodeStream(),
    async function* (source) {
      for await (const m of source) void m;
    }), (error) => error instanceof vexal.TruncatedError && error.offset === 16);
});

test('hostile bytes: damaged streams in random pieces give messages, null or VexalError, never more', () => {
  let seed = 7;
  const random = (n) => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % n;
  };
  const limits = { maxMessageSize: 1 << 16, maxPayloadSize: 1 << 16 };
  for (let round = 0; round < 300; ++round) {
    const wire = Buffer.from(stream.subarray(0, 400 + random(2000)));
    for (let flips = random(6); flips >= 0; --flips) wire[random(wire.length)] = random(256);
    const reader = new vexal.Reader(limits);
    for (let at = 0; at < wire.length;) {
      const piece = 1 + random(300);
      reader.push(wire.subarray(at, at += piece));
      const refused = (error) => assert.ok(error instanceof vexal.VexalError, `${error}`);
      for (let guard = 0; guard < 1000; ++guard) {
        let m;
        try {
          m = reader.next();
        } catch (error) {
          refused(error);
          reader.skip();
          continue;
        }
        if (m === null) break;
        try {
          void [m.first.payload, m.second.payload];
        } catch (error) {
          refused(error);
        }
      }
    }
    assert.ok(reader.offset <= wire.length);
  }
});
