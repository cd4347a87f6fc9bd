// SPDX-License-Identifier: MIT
// vexal for Node.js: compose, parse and stream vexal messages with libvexal.
//
// Every check, code, text and byte comes from the library (the addon); this
// half only converts. The addon hands back numbers (offsets, sizes, codes)
// and this half makes the Buffers: a part stored as is is a view of the
// caller's memory (a subarray, no copy), which keeps the whole buffer or
// chunk alive as long as it is referenced; `{ copy: true }` copies each
// message once into its own Buffer instead. A compressed part inflates on
// the first read of its `payload`, never past `maxPayloadSize`.
'use strict';

const { Transform } = require('stream');
const {
  native, results, DETAIL, USED, BATCH, RECORD, OK, NEED_MORE, OUTPUT_TOO_SMALL,
} = require('./native');
const { VexalError, LimitError, TruncatedError, refusal } = require('./errors');

const Format = Object.freeze({ BYTES: 0, APPLICATION_1: 1, APPLICATION_2: 2 });
const Compression = Object.freeze({
  NONE: 0, ZLIB_DEFAULT: 1, ZLIB_BEST_SPEED: 2, ZLIB_BEST_COMPRESSION: 3,
  ZLIB_LEVEL_1: 4, ZLIB_LEVEL_2: 5, ZLIB_LEVEL_3: 6, ZLIB_LEVEL_4: 7, ZLIB_LEVEL_5: 8,
  ZLIB_LEVEL_6: 9, ZLIB_LEVEL_7: 10, ZLIB_LEVEL_8: 11, ZLIB_LEVEL_9: 12,
});

const version = native.version();
const defaultLimit = native.defaultLimit;
const empty = Buffer.alloc(0);

// Output of a compressed compose or inflate lands here first, then is
// copied into a Buffer of its exact size; past `scratchLimit` it gets a
// Buffer of its own.
const scratchLimit = 1 << 20;
let scratch = Buffer.allocUnsafeSlow(64 << 10);

function roomFor(size) {
  if (size <= scratch.length) return scratch;
  if (size > scratchLimit) return Buffer.allocUnsafeSlow(size);
  scratch = Buffer.allocUnsafeSlow(size);
  return scratch;
}

// A Buffer over the bytes of any Uint8Array, without copying them.
function asBuffer(bytes, what) {
  if (Buffer.isBuffer(bytes)) return bytes;
  if (bytes instanceof Uint8Array) return Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  throw new TypeError(`${what} must be a Uint8Array, not ${bytes === null ? 'null' : typeof bytes}`);
}

function limitOf(limits, key) {
  const value = limits[key];
  if (value === undefined) return defaultLimit;
  if (typeof value !== 'number' || !(value >= 0)) {
    throw new RangeError(`limits.${key} must be a number >= 0 (Infinity for none), not ${value}`);
  }
  return value;
}

// [maxMessageSize, maxPayloadSize]; omitted ones are the library's default.
function limitsOf(limits) {
  if (limits === undefined || limits === null) return [defaultLimit, defaultLimit];
  if (typeof limits !== 'object') throw new TypeError('limits must be an object');
  return [limitOf(limits, 'maxMessageSize'), limitOf(limits, 'maxPayloadSize')];
}

// A compressed part's payload: its zlib stream inflated by the library.
// `at` is where the stored bytes lie in the caller's terms, for a refusal.
function inflate(stored, maxPayload, at) {
  let out = scratch;
  let status = native.payload(stored, true, maxPayload, out);
  if (status === OUTPUT_TOO_SMALL) {
    out = roomFor(results[DETAIL]);
    status = native.payload(stored, true, maxPayload, out);
  }
  if (status !== OK) throw refusal(at);
  const size = results[DETAIL];
  if (out !== scratch && size === out.length) return out;
  const payload = Buffer.allocUnsafe(size);
  out.copy(payload, 0, 0, size);
  return payload;
}

// A part stored as is: its payload is a view of the stored bytes.
class StoredPart {
  constructor(type, format, payload) {
    this.type = type;
    this.format = format;
    this.compressed = false;
    this.storedSize = payload.length;
    this.payload = payload;
  }
}

// A compressed part: its payload is the zlib stream inflated on first read.
class CompressedPart {
  #stored;
  #maxPayload;
  #at;
  #payload;

  constructor(type, format, stored, maxPayload, at) {
    this.type = type;
    this.format = format;
    this.compressed = true;
    this.storedSize = stored.length;
    this.#stored = stored;
    this.#maxPayload = maxPayload;
    this.#at = at;
  }

  get payload() {
    if (this.#payload === undefined) this.#payload = inflate(this.#stored, this.#maxPayload, this.#at);
    return this.#payload;
  }

  [Symbol.for('nodejs.util.inspect.custom')](depth, options, inspect) {
    const { type, format, compressed, storedSize } = this;
    let payload;
    try {
      payload = this.payload;
    } catch (error) {
      payload = error;
    }
    return `CompressedPart ${inspect({ type, format, compressed, storedSize, payload }, options)}`;
  }
}

// The part whose numbers lie in `record` from `slot` (format, compressed,
// stored offset, stored size). Its stored bytes lie in `source` at the
// stored offset less `base`; `at` turns the stored offset into the
// caller's terms (buffer or stream).
function partOf(type, record, slot, source, base, maxPayload, at) {
  const start = record[slot + 2];
  const stored = source.subarray(start - base, start - base + record[slot + 3]);
  if (record[slot + 1] === 0) return new StoredPart(type, record[slot], stored);
  return new CompressedPart(type, record[slot], stored, maxPayload, at + start);
}

// `source` for the message whose record lies at `slot`, copied when asked:
// then its offsets count from `record[slot]` (the message's start).
function sourceOf(record, slot, source, copy) {
  if (!copy) return source;
  const start = record[slot];
  return Buffer.from(source.subarray(start, start + record[slot + 1]));
}

function checkOptions(options) {
  if (options === undefined || options === null) return false;
  if (typeof options !== 'object') throw new TypeError('options must be an object');
  return options.copy === true;
}

// The message at `buf[offset]`, or null when `buf` ends inside it.
function parse(buf, offset = 0, limits = undefined, options = undefined) {
  buf = asBuffer(buf, 'buf');
  if (!Number.isInteger(offset) || offset < 0 || offset > buf.length) {
    throw new RangeError(`offset must be an integer from 0 to ${buf.length}, not ${offset}`);
  }
  let maxMessage = defaultLimit;
  let maxPayload = defaultLimit;
  if (limits !== undefined) [maxMessage, maxPayload] = limitsOf(limits);
  const copy = options === undefined ? false : checkOptions(options);
  const status = native.parse(buf, offset, maxMessage, maxPayload);
  if (status === NEED_MORE) return null;
  if (status !== OK) throw refusal(0);
  const end = results[USED];
  const source = sourceOf(results, BATCH, buf, copy);
  const base = copy ? results[BATCH] : 0;
  return {
    first: partOf(1, results, BATCH + 4, source, base, maxPayload, 0),
    second: partOf(0, results, BATCH + 8, source, base, maxPayload, 0),
    end,
  };
}

function checkPart(part, which) {
  if (part === null || typeof part !== 'object') throw new TypeError(`${which} must be a part object`);
  if (!(part.payload instanceof Uint8Array)) throw new TypeError(`${which}.payload must be a Uint8Array`);
}

// A part's format or compression: 0 when omitted, a 32-bit integer else.
function numberOf(value, which) {
  if (value === undefined) return 0;
  if ((value | 0) !== value) throw new TypeError(`${which} must be a 32-bit integer, not ${value}`);
  return value;
}

// The bytes of the message of `first` and `second`, composed by the library.
function compose(first, second) {
  checkPart(first, 'first');
  checkPart(second, 'second');
  const p1 = first.payload;
  const p2 = second.payload;
  const f1 = numberOf(first.format, 'first.format');
  const c1 = numberOf(first.compression, 'first.compression');
  const f2 = numberOf(second.format, 'second.format');
  const c2 = numberOf(second.compression, 'second.compression');
  if (c1 === 0 && c2 === 0) {
    // A message stored as is is its two headers and its payloads.
    const out = Buffer.allocUnsafe(16 + p1.length + p2.length);
    if (native.compose(p1, f1, c1, p2, f2, c2, out) !== OK) throw refusal(0);
    return out;
  }
  let out = scratch;
  let status = native.compose(p1, f1, c1, p2, f2, c2, out);
  if (status === OUTPUT_TOO_SMALL) {
    out = roomFor(results[DETAIL]);
    status = native.compose(p1, f1, c1, p2, f2, c2, out);
  }
  if (status !== OK) throw refusal(0);
  return Buffer.from(out.subarray(0, results[DETAIL]));
}

// Cuts chunks of a stream into messages, reading each chunk in place: the
// addon is asked once per batch of messages, not once per message.
class Reader {
  #handle;
  #maxPayload;
  #copy;
  #queue = [];
  #chunk = empty;
  #at = 0;
  #retry = false;
  #records = new Float64Array(results.length - BATCH);
  #count = 0;
  #served = 0;
  #held = null;
  #error = null;

  constructor(limits = undefined, options = undefined) {
    const [maxMessage, maxPayload] = limitsOf(limits);
    this.#copy = checkOptions(options);
    this.#maxPayload = maxPayload;
    this.#handle = native.readerNew(maxMessage, maxPayload);
  }

  // Appends a chunk to the stream; the reader keeps a reference to it.
  push(chunk) {
    chunk = asBuffer(chunk, 'chunk');
    if (chunk.length > 0) this.#queue.push(chunk);
  }

  // The next whole message, or null when more bytes are needed.
  next() {
    for (;;) {
      if (this.#served < this.#count) return this.#serve();
      if (this.#error !== null) throw this.#error;
      if (!this.#read()) return null;
    }
  }

  // Drops the message at `offset`, refused or not.
  skip() {
    if (this.#served < this.#count) {
      this.#served++;
      return;
    }
    native.readerSkip(this.#handle);
    this.#error = null;
    this.#retry = true;
  }

  // True when every byte pushed belongs to messages read or skipped, so the
  // stream may end here (ask after next() returned null).
  get atBoundary() {
    return this.#error === null && this.#unread() === 0 && native.readerState(this.#handle);
  }

  // The stream offset where the next message starts.
  get offset() {
    if (this.#served < this.#count) return this.#records[this.#served * RECORD + 3];
    native.readerState(this.#handle);
    return results[USED];
  }

  // The bytes still missing before the next message can be whole.
  get needed() {
    native.readerState(this.#handle);
    return results[DETAIL];
  }

  #unread() {
    let size = this.#chunk.length - this.#at;
    for (const chunk of this.#queue) size += chunk.length;
    return size;
  }

  #serve() {
    const slot = this.#served++ * RECORD;
    const records = this.#records;
    const inData = records[slot + 2] === 1;
    const offset = records[slot + 3];
    const copy = this.#copy && inData;
    const source = sourceOf(records, slot, inData ? this.#batchChunk : this.#held, copy);
    const base = copy ? records[slot] : 0;
    // Stored offsets count from the chunk (or the held copy), where the
    // message starts at records[slot] and in the stream at `offset`.
    const at = offset - records[slot];
    return {
      first: partOf(1, records, slot + 4, source, base, this.#maxPayload, at),
      second: partOf(0, records, slot + 8, source, base, this.#maxPayload, at),
      offset,
    };
  }

  #batchChunk = empty;

  // Reads the next batch; false when the reader needs more bytes.
  #read() {
    for (;;) {
      if (this.#at >= this.#chunk.length) {
        if (this.#queue.length > 0) {
          this.#chunk = this.#queue.shift();
          this.#at = 0;
        } else if (this.#retry) {
          this.#chunk = empty;
          this.#at = 0;
        } else {
          return false;
        }
      }
      const status = native.readerRead(this.#handle, this.#chunk, this.#at);
      const count = results[DETAIL];
      this.#at = results[USED];
      this.#count = count;
      this.#served = 0;
      if (count > 0) {
        this.#records.set(results.subarray(BATCH, BATCH + count * RECORD));
        this.#batchChunk = this.#chunk;
        if (this.#records[(count - 1) * RECORD + 2] === 0) {
          this.#held = Buffer.allocUnsafe(this.#records[(count - 1) * RECORD + 1]);
          native.readerCopy(this.#handle, this.#held);
        }
      }
      this.#retry = status === OK;
      if (status !== OK && status !== NEED_MORE) {
        this.#error = refusal(0);
        return true;
      }
      if (count > 0) return true;
    }
  }
}

function truncated(reader) {
  return new TruncatedError(reader.offset, reader.needed);
}

// Reads every payload of `message`, so that a compressed part is inflated
// (or refused) now.
function inflateAll(message) {
  void message.first.payload;
  void message.second.payload;
  return message;
}

function streamOptions(options) {
  if (options === undefined || options === null) return {};
  if (typeof options !== 'object') throw new TypeError('options must be an object');
  return options;
}

// Takes every message that `reader` holds, inflated, handing each to
// `take`; with `keepGoing` a refused message is skipped, otherwise thrown.
function* drain(reader, keepGoing) {
  for (;;) {
    let message = null;
    try {
      message = reader.next();
      if (message === null) return;
      inflateAll(message);
    } catch (error) {
      if (!keepGoing || !(error instanceof VexalError)) throw error;
      if (message === null) reader.skip();
      continue;
    }
    yield message;
  }
}

// The messages of a Readable or any (async) iterable of Uint8Array chunks,
// compressed parts already inflated.
async function* messages(source, options = undefined) {
  const { limits, keepGoing = false, copy = false } = streamOptions(options);
  const reader = new Reader(limits, { copy });
  for await (const chunk of source) {
    reader.push(chunk);
    yield* drain(reader, keepGoing);
  }
  if (!reader.atBoundary) throw truncated(reader);
}

// A Transform from bytes to messages (object mode on its readable side).
function decodeStream(limits = undefined, options = undefined) {
  const { keepGoing = false, copy = false } = streamOptions(options);
  const reader = new Reader(limits, { copy });
  return new Transform({
    readableObjectMode: true,
    transform(chunk, encoding, callback) {
      try {
        reader.push(chunk);
        for (const message of drain(reader, keepGoing)) this.push(message);
      } catch (error) {
        return callback(error);
      }
      callback();
    },
    flush(callback) {
      callback(reader.atBoundary ? null : truncated(reader));
    },
  });
}

// A Transform from messages ({ first, second }, object mode) to bytes.
function encodeStream() {
  return new Transform({
    writableObjectMode: true,
    transform(message, encoding, callback) {
      let bytes;
      try {
        bytes = compose(message.first, message.second);
      } catch (error) {
        return callback(error);
      }
      callback(null, bytes);
    },
  });
}

module.exports = {
  version,
  Format,
  Compression,
  compose,
  parse,
  Reader,
  messages,
  decodeStream,
  encodeStream,
  VexalError,
  LimitError,
  TruncatedError,
};
