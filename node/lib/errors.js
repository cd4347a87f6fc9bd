// SPDX-License-Identifier: MIT
// The package's errors: one class for every refusal, carrying the library's
// code name, the offset of the field at fault and the library's own text,
// with subclasses for the two limits and for a stream cut inside a message.
'use strict';

const { native, results, CODE, OFFSET } = require('./native');

class VexalError extends Error {
  constructor(message, code, offset) {
    super(message);
    this.code = code;
    this.offset = offset;
  }

  get name() {
    return this.constructor.name;
  }
}

class LimitError extends VexalError {}

class TruncatedError extends VexalError {
  constructor(offset, needed) {
    super('vexal stream ends inside a message', 'TRUNCATED', offset);
    this.needed = needed;
  }
}

// The library's code names by number, without their C prefix.
const codeNames = [];
for (let code = 0; ; ++code) {
  const name = native.codeName(code);
  if (name === null) break;
  codeNames.push(name);
}
const limitCodes = new Set(['MESSAGE_TOO_LONG', 'PAYLOAD_TOO_LONG']);

// The error of the refusal that the last native call reported; `base` is
// added to its offset (where the buffer it read lies in the caller's terms).
function refusal(base) {
  const code = codeNames[results[CODE]];
  const Class = limitCodes.has(code) ? LimitError : VexalError;
  return new Class(native.errorText(), code, base + results[OFFSET]);
}

module.exports = { VexalError, LimitError, TruncatedError, refusal, codeNames };
