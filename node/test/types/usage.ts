// SPDX-License-Identifier: MIT
// The declarations as a user's TypeScript meets them; `tsc --strict
// --noEmit` must accept this file, and the @ts-expect-error lines prove
// that the declarations refuse what the package refuses.
import * as net from 'net';
import * as vexal from 'vexal';

const wire: Buffer = vexal.compose({ payload: new Uint8Array(2), format: vexal.Format.APPLICATION_1 },
                                   { payload: Buffer.from('x'), compression: vexal.Compression.ZLIB_LEVEL_9 });
const parsed = vexal.parse(wire, 0, { maxPayloadSize: Infinity }, { copy: true });
if (parsed !== null) {
  const end: number = parsed.end;
  const type: 0 | 1 = parsed.first.type;
  const body: Buffer = parsed.second.payload;
  void [end, type, body, parsed.first.compressed === true];
}
// @ts-expect-error a part needs a payload
vexal.compose({ format: 0 }, { payload: wire });
// @ts-expect-error Format is frozen
vexal.Format.BYTES = 1;

const reader = new vexal.Reader({ maxMessageSize: 1 << 20 });
reader.push(wire);
for (let m = reader.next(); m !== null; m = reader.next()) void (m.offset + m.first.payload.length);
void [reader.atBoundary, reader.offset, reader.needed];

async function serve(socket: net.Socket): Promise<number> {
  let count = 0;
  try {
    for await (const m of vexal.messages(socket, { limits: {}, keepGoing: true })) count += m.second.payload.length;
  } catch (error) {
    if (error instanceof vexal.TruncatedError) return error.needed;
    if (error instanceof vexal.LimitError) return error.code === 'MESSAGE_TOO_LONG' ? -1 : -2;
    if (error instanceof vexal.VexalError) return error.offset;
  }
  return count;
}
void serve;
socketPipe(new net.Socket());
function socketPipe(socket: net.Socket): void {
  socket.pipe(vexal.decodeStream({ maxMessageSize: 4096 })).pipe(vexal.encodeStream()).pipe(socket);
}
const version: string = vexal.version;
void version;
