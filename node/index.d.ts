// SPDX-License-Identifier: MIT
// Type declarations of the vexal package, for require('vexal') and
// import * as vexal from 'vexal' alike.
/// <reference types="node" />
import { Transform } from 'stream';

/** The library's version text, "major.minor.patch". */
export declare const version: string;

/** Payload formats. */
export declare const Format: Readonly<{ BYTES: 0; APPLICATION_1: 1; APPLICATION_2: 2 }>;
export type Format = (typeof Format)[keyof typeof Format];

/** Payload compressions: none, or zlib at a level. */
export declare const Compression: Readonly<{
  NONE: 0; ZLIB_DEFAULT: 1; ZLIB_BEST_SPEED: 2; ZLIB_BEST_COMPRESSION: 3;
  ZLIB_LEVEL_1: 4; ZLIB_LEVEL_2: 5; ZLIB_LEVEL_3: 6; ZLIB_LEVEL_4: 7; ZLIB_LEVEL_5: 8;
  ZLIB_LEVEL_6: 9; ZLIB_LEVEL_7: 10; ZLIB_LEVEL_8: 11; ZLIB_LEVEL_9: 12;
}>;
export type Compression = (typeof Compression)[keyof typeof Compression];

/** What one message may cost; both inclusive, Infinity for none. An omitted
 *  one is the library's default, 64 MiB. */
export interface Limits {
  maxMessageSize?: number;
  maxPayloadSize?: number;
}

/** `copy: true` copies each message into a Buffer of its own instead of
 *  viewing the caller's buffer or chunk (which a view keeps alive whole). */
export interface CopyOptions {
  copy?: boolean;
}

/** A part to compose. */
export interface PartSpec {
  payload: Uint8Array;
  format?: number;
  compression?: number;
}

/** A part read from bytes. */
export interface Part {
  /** 1 for the part that leads the message, 0 for the one that closes it. */
  readonly type: 0 | 1;
  readonly format: number;
  /** Whether the stored bytes are a zlib stream. */
  readonly compressed: boolean;
  /** The stored length from the part's header. */
  readonly storedSize: number;
  /** A view of the stored bytes, or (compressed) their inflated stream,
   *  made on first read; a refused zlib stream throws VexalError here. */
  readonly payload: Buffer;
}

/** A message from `parse`. */
export interface ParsedMessage {
  first: Part;
  second: Part;
  /** The offset just past the message. */
  end: number;
}

/** A message from a stream. */
export interface StreamMessage {
  first: Part;
  second: Part;
  /** The stream offset where the message starts. */
  offset: number;
}

/** Composes the message of two parts into a new Buffer. */
export declare function compose(first: PartSpec, second: PartSpec): Buffer;

/** Reads the message at `buf[offset]`; null when `buf` ends inside it. */
export declare function parse(buf: Uint8Array, offset?: number, limits?: Limits,
                              options?: CopyOptions): ParsedMessage | null;

/** Cuts chunks of a stream into messages, reading them in place. */
export declare class Reader {
  constructor(limits?: Limits, options?: CopyOptions);
  /** Appends a chunk; the reader keeps a reference to it. */
  push(chunk: Uint8Array): void;
  /** The next message, or null when more bytes are needed; a refused
   *  message throws VexalError on every call until skip(). */
  next(): StreamMessage | null;
  /** Drops the message at `offset`, refused or not. */
  skip(): void;
  /** Whether the stream may end here. */
  readonly atBoundary: boolean;
  /** The stream offset where the next message starts. */
  readonly offset: number;
  /** The bytes still missing before the next message can be whole. */
  readonly needed: number;
}

export interface MessagesOptions extends CopyOptions {
  limits?: Limits;
  /** Skip refused messages instead of throwing. */
  keepGoing?: boolean;
}

/** The messages of a Readable or any iterable of chunks, compressed parts
 *  inflated; TruncatedError when it ends inside a message. */
export declare function messages(
  source: AsyncIterable<Uint8Array> | Iterable<Uint8Array> | NodeJS.ReadableStream,
  options?: MessagesOptions): AsyncGenerator<StreamMessage, void, undefined>;

/** A Transform from bytes to messages (object mode on its readable side). */
export declare function decodeStream(limits?: Limits, options?: CopyOptions & { keepGoing?: boolean }): Transform;

/** A Transform from messages ({ first, second }) to bytes. */
export declare function encodeStream(): Transform;

/** A message refused by the library. */
export declare class VexalError extends Error {
  /** The error code's name: 'UNKNOWN_FORMAT_CODE', 'ZLIB_FAILED', ... */
  readonly code: string;
  /** The stream or buffer offset of the field at fault. */
  readonly offset: number;
}

/** A message over `maxMessageSize`, or a payload over `maxPayloadSize`. */
export declare class LimitError extends VexalError {
  readonly code: 'MESSAGE_TOO_LONG' | 'PAYLOAD_TOO_LONG';
}

/** A stream that ends inside a message. */
export declare class TruncatedError extends VexalError {
  readonly code: 'TRUNCATED';
  /** Where the cut message starts. */
  readonly offset: number;
  /** The bytes it still lacks, as far as its headers tell. */
  readonly needed: number;
}
