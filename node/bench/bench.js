#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// Measures the package per message against its npm peers and a pure
// JavaScript framing baseline, all in one run, and writes the table into
// docs/node.md between its bench markers (node bench/bench.js [--no-write]).
//
// Peers: msgpackr and @msgpack/msgpack (an array of two Buffers), protobufjs
// (a message of two `bytes` fields). The baseline reads the headers itself
// with Buffer reads, views the payloads with `subarray`, and inflates and
// deflates with node:zlib's *Sync calls. Each figure is the fastest of many
// short timed rounds, the cases taken in turn within every round: on a
// shared machine, other work only ever adds time, so the fastest round is
// the one it disturbed least, and taking the cases in turn gives them alike
// chances.
'use strict';

const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const msgpackr = require('msgpackr');
const msgpack = require('@msgpack/msgpack');
const protobuf = require('protobufjs');
const vexal = require('..');

const Pair = new protobuf.Type('Pair')
  .add(new protobuf.Field('first', 1, 'bytes'))
  .add(new protobuf.Field('second', 2, 'bytes'));
new protobuf.Root().define('bench').add(Pair);

// The baseline: the wire format read and written in plain JavaScript.
const baseline = {
  part(buf, at, type) {
    if (buf.length - at < 8) return null;
    if (buf[at] !== (type === 1 ? 1 : 2)) throw new Error('Unknown vexal type (raw)');
    const format = 3 - buf[at + 1];
    if (format < 0 || format > 2) throw new Error('Unknown vexal format (raw)');
    const compression = buf[at + 2];
    if (compression > 1) throw new Error('Unknown vexal compression (raw)');
    const size = buf.readUInt32BE(at + 4);
    if (buf.length - at - 8 < size) return null;
    const stored = buf.subarray(at + 8, at + 8 + size);
    return { type, format, compressed: compression === 1, payload: compression ? zlib.inflateSync(stored) : stored,
      end: at + 8 + size };
  },
  parse(buf, offset = 0) {
    const first = baseline.part(buf, offset, 1);
    const second = first && baseline.part(buf, first.end, 0);
    return second && { first, second, end: second.end };
  },
  compose(first, second) {
    const stored = [first, second].map((p) => (p.compression ? zlib.deflateSync(p.payload, { level: 6 }) : p.payload));
    const out = Buffer.allocUnsafe(16 + stored[0].length + stored[1].length);
    let at = 0;
    for (const [i, p] of [first, second].entries()) {
      out[at] = i === 0 ? 1 : 2;
      out[at + 1] = 3 - (p.format || 0);
      out[at + 2] = p.compression ? 1 : 0;
      out[at + 3] = 0;
      out.writeUInt32BE(stored[i].length, at + 4);
      out.set(stored[i], at + 8);
      at += 8 + stored[i].length;
    }
    return out;
  },
};

// Sizes read from every decoded message, so that nothing is optimised away.
let sink = 0;

function payloads(size) {
  return [Buffer.alloc(size, 'a'), Buffer.alloc(size, 'b')].map((b, i) => {
    for (let j = 0; j < size; j += 7) b[j] = (j * 31 + i) & 0xff;
    return b;
  });
}

// The cases of one table row: name -> function of one message, run `count`
// times per timing.
function parseRow(size, compression) {
  const [a, b] = payloads(size);
  const parts = [{ payload: a, compression }, { payload: b, compression }];
  const wire = vexal.compose(...parts);
  const cases = {
    vexal: () => {
      const m = vexal.parse(wire);
      sink += m.first.payload.length + m.second.payload.length;
    },
    baseline: () => {
      const m = baseline.parse(wire);
      sink += m.first.payload.length + m.second.payload.length;
    },
  };
  if (!compression) {
    const packed = msgpackr.pack([a, b]);
    const encoded = msgpack.encode([a, b]);
    const proto = Pair.encode({ first: a, second: b }).finish();
    Object.assign(cases, {
      msgpackr: () => {
        const m = msgpackr.unpack(packed);
        sink += m[0].length + m[1].length;
      },
      '@msgpack/msgpack': () => {
        const m = msgpack.decode(encoded);
        sink += m[0].length + m[1].length;
      },
      protobufjs: () => {
        const m = Pair.decode(proto);
        sink += m.first.length + m.second.length;
      },
    });
  }
  return cases;
}

function composeRow(size, compression) {
  const [a, b] = payloads(size);
  const first = { payload: a, compression };
  const second = { payload: b, compression };
  const cases = {
    vexal: () => {
      sink += vexal.compose(first, second).length;
    },
    baseline: () => {
      sink += baseline.compose(first, second).length;
    },
  };
  if (!compression) {
    Object.assign(cases, {
      msgpackr: () => {
        sink += msgpackr.pack([a, b]).length;
      },
      '@msgpack/msgpack': () => {
        sink += msgpack.encode([a, b]).length;
      },
      protobufjs: () => {
        sink += Pair.encode({ first: a, second: b }).finish().length;
      },
    });
  }
  return cases;
}

// A stream of raw 2 x 16 B messages in 64 KiB chunks; one call reads a
// whole stream, and the figure is per message. vexal and the baseline get
// chunks cut anywhere; the peers, which frame nothing across chunks, get
// chunks cut at message boundaries.
function streamRow() {
  const [a, b] = payloads(16);
  const total = 8192;
  const chunkSize = 64 << 10;
  const cut = (wire) => {
    const chunks = [];
    for (let at = 0; at < wire.length; at += chunkSize) chunks.push(wire.subarray(at, at + chunkSize));
    return chunks;
  };
  const aligned = (one) => {
    const per = Math.floor(chunkSize / one.length);
    const chunks = [];
    for (let left = total; left > 0; left -= per) chunks.push(Buffer.concat(Array(Math.min(per, left)).fill(one)));
    return chunks;
  };
  const chunks = cut(Buffer.concat(Array(total).fill(vexal.compose({ payload: a }, { payload: b }))));
  const packed = aligned(msgpackr.pack([a, b]));
  const proto = aligned(Pair.encodeDelimited({ first: a, second: b }).finish());
  const cases = {
    vexal: () => {
      const reader = new vexal.Reader();
      for (const chunk of chunks) {
        reader.push(chunk);
        for (let m = reader.next(); m !== null; m = reader.next()) sink += m.first.payload.length + m.second.payload.length;
      }
    },
    baseline: () => {
      let rest = null;
      for (let chunk of chunks) {
        if (rest !== null) chunk = Buffer.concat([rest, chunk]);
        let at = 0;
        for (let m = baseline.parse(chunk, at); m !== null; m = baseline.parse(chunk, at)) {
          sink += m.first.payload.length + m.second.payload.length;
          at = m.end;
        }
        rest = at < chunk.length ? chunk.subarray(at) : null;
      }
    },
    msgpackr: () => {
      for (const chunk of packed) {
        for (const m of msgpackr.unpackMultiple(chunk)) sink += m[0].length + m[1].length;
      }
    },
    protobufjs: () => {
      for (const chunk of proto) {
        const reader = protobuf.Reader.create(chunk);
        while (reader.pos < reader.len) {
          const m = Pair.decodeDelimited(reader);
          sink += m.first.length + m.second.length;
        }
      }
    },
  };
  return { cases, perCall: total };
}

// ns per message of each case: the fastest of `rounds` rounds, each timing
// every case over about `budget` ms.
function measure(cases, perCall = 1, rounds = 25, budget = 8) {
  const names = Object.keys(cases);
  const counts = {};
  for (const name of names) {
    let count = 1;
    for (let spent = 0; spent < budget / 4; count *= 2) {
      const start = process.hrtime.bigint();
      for (let i = 0; i < count; ++i) cases[name]();
      spent = Number(process.hrtime.bigint() - start) / 1e6;
      if (spent >= budget / 4) counts[name] = Math.max(1, Math.round(count * budget / spent));
    }
  }
  const times = Object.fromEntries(names.map((name) => [name, []]));
  for (let round = 0; round < rounds; ++round) {
    for (const name of names) {
      const start = process.hrtime.bigint();
      for (let i = 0; i < counts[name]; ++i) cases[name]();
      times[name].push(Number(process.hrtime.bigint() - start) / counts[name] / perCall);
    }
  }
  return Object.fromEntries(names.map((name) => [name, Math.min(...times[name])]));
}

function format(ns) {
  if (ns >= 1000) return `${(ns / 1000).toFixed(ns >= 10000 ? 1 : 2)} µs`;
  return `${ns.toFixed(0)} ns`;
}

const { ZLIB_LEVEL_6 } = vexal.Compression;
// A first pass, not kept, so that every decoder is compiled at its best
// before the first row is timed.
measure(parseRow(16, 0), 1, 5);
const rows = [
  ['parse 2 × 16 B', measure(parseRow(16, 0))],
  ['parse 2 × 4 KiB', measure(parseRow(4096, 0))],
  ['parse 2 × 16 B zlib', measure(parseRow(16, ZLIB_LEVEL_6))],
  ['parse 2 × 4 KiB zlib', measure(parseRow(4096, ZLIB_LEVEL_6))],
  ['compose 2 × 16 B', measure(composeRow(16, 0))],
  ['compose 2 × 4 KiB', measure(composeRow(4096, 0))],
  ['compose 2 × 16 B zlib', measure(composeRow(16, ZLIB_LEVEL_6))],
  ['compose 2 × 4 KiB zlib', measure(composeRow(4096, ZLIB_LEVEL_6))],
  ['stream of 2 × 16 B, 64 KiB chunks', (() => {
    const { cases, perCall } = streamRow();
    return measure(cases, perCall, 25, 30);
  })()],
];

const columns = ['vexal', 'baseline', 'msgpackr', '@msgpack/msgpack', 'protobufjs'];
const ratio = (row, peer) => row[1].vexal / row[1][peer];
const table = [
  // Package names as code: Doxygen, which renders docs/, reads @word as a command.
  '| per message | vexal | pure-JS baseline | `msgpackr` | `@msgpack/msgpack` | `protobufjs` |',
  '|---|---:|---:|---:|---:|---:|',
  ...rows.map(([name, result]) => `| ${name} | ${columns.map((c) => (c in result
    ? `${format(result[c])}${c === 'vexal' ? '' : ` (${ratio([name, result], c).toFixed(2)}×)`}` : '–')).join(' | ')} |`),
];

// The targets: [row, peer, the most vexal's time may be as a multiple of
// the peer's].
const byName = Object.fromEntries(rows);
const targets = [
  ['stream of 2 × 16 B, 64 KiB chunks', 'baseline', 1.2], ['stream of 2 × 16 B, 64 KiB chunks', 'msgpackr', 1],
  ['stream of 2 × 16 B, 64 KiB chunks', 'protobufjs', 1],
  ['parse 2 × 16 B', 'msgpackr', 2], ['parse 2 × 16 B', 'protobufjs', 2],
  ['parse 2 × 4 KiB', 'msgpackr', 1], ['parse 2 × 4 KiB', '@msgpack/msgpack', 1], ['parse 2 × 4 KiB', 'protobufjs', 1],
  ['parse 2 × 16 B zlib', 'baseline', 0.5], ['parse 2 × 4 KiB zlib', 'baseline', 0.5],
  ['compose 2 × 16 B', 'protobufjs', 1], ['compose 2 × 16 B', '@msgpack/msgpack', 1], ['compose 2 × 16 B', 'msgpackr', 1.3],
  ['compose 2 × 16 B zlib', 'baseline', 0.5], ['compose 2 × 4 KiB zlib', 'baseline', 0.5],
];
const checks = targets.map(([row, peer, most]) => {
  const measured = byName[row].vexal / byName[row][peer];
  return `- ${row}, against ${peer === 'baseline' ? 'the baseline' : `\`${peer}\``}: at most ${most}× its time; ` +
    `measured ${measured.toFixed(2)}×: ${measured <= most ? 'met' : '**missed**'}`;
});

const text = [
  `Node ${process.version}, ${process.arch}, one run (\`node bench/bench.js\` in node/); time per message, the`,
  'fastest of 25 rounds, and in brackets vexal\'s time as a multiple of that column\'s (below 1: vexal is faster).',
  '',
  ...table,
  '',
  ...checks,
].join('\n');
console.log(text);
if (sink === 0) throw new Error('nothing was read');

const page = path.resolve(__dirname, '..', '..', 'docs', 'node.md');
if (!process.argv.includes('--no-write')) {
  const begin = '<!-- bench:begin (written by node/bench/bench.js) -->';
  const end = '<!-- bench:end -->';
  const old = fs.readFileSync(page, 'utf8');
  const from = old.indexOf(begin);
  const to = old.indexOf(end);
  if (from < 0 || to < from) throw new Error(`no bench markers in ${page}`);
  fs.writeFileSync(page, `${old.slice(0, from + begin.length)}\n${text}\n${old.slice(to)}`);
  console.log(`written into ${page}`);
}
