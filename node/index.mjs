// SPDX-License-Identifier: MIT
// The ES module face of the package: the very objects that require('vexal')
// gives, so one instanceof serves both.
import vexal from './lib/index.js';

export const {
  version, Format, Compression, compose, parse, Reader, messages, decodeStream, encodeStream,
  VexalError, LimitError, TruncatedError,
} = vexal;
export default vexal;
