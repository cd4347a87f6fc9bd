# SPDX-License-Identifier: MIT
# Uses every public name of vexal as a typed program would; CTest runs
# mypy --strict on it against the package's stubs, and pytest runs it.
import asyncio
import io
import pickle

import vexal
from vexal import Compression, Error, ErrorCode, Format, LimitError, Limits, Message, Part, Reader, TruncatedError


def test_every_name_type_checks() -> None:
    m = Message(Part(b"ab", Format.APPLICATION_1), bytearray(b"c"))
    m.first, m.second = b"x", None
    m.first.payload, m.first.format, m.second.compression = memoryview(b"y"), 2, Compression.ZLIB_LEVEL_1
    parsed, end = vexal.parse(m.compose(), 0, limits=Limits.unlimited())
    assert parsed is not None and pickle.loads(pickle.dumps(m)) == m and end == len(m.compose())
    reader = Reader(limits=Limits(max_message_size=1 << 20))
    reader.feed(m.compose())
    assert next(reader) == parsed
    wire: vexal.WireMessage = reader.wire
    part: vexal.WirePart = wire.parts[1]
    assert (wire.offset, part.compressed, reader.needed > 0, len(m.first), m.first.type) == (0, True, True, 1, 1)
    for error in (Error, TruncatedError):
        try:
            list(vexal.iter_messages(io.BytesIO(m.compose()[:-1]), limits=Limits(), chunk_size=4))
        except error as raised:
            assert isinstance(raised, TruncatedError) and raised.offset == 0 and raised.needed == 1
    view, _ = vexal.parse_view(bytearray(m.compose()), limits=Limits())
    assert view is not None and bytes(view.first.stored) == b"y" and view.second.compressed and len(view) == view.size
    assert vexal.__version__ and issubclass(LimitError, Error) and Format(0) is Format.BYTES and not reader.buffered and reader.offset == wire.size


def test_the_stream_features_type_check() -> None:
    wire = Message(b"a", b"b").compose()
    reader = Reader()
    room: memoryview = reader.prepare(len(wire))
    room[:] = wire
    reader.commit(len(wire))
    assert next(reader).first.payload == b"a" and reader.at_boundary and reader.capacity >= len(wire)
    offsets = [offset for offset, _ in vexal.iter_messages(io.BytesIO(wire * 2), with_offsets=True)]
    items = list(vexal.iter_messages(io.BytesIO(wire[:-1]), keep_going=True))
    cut = items[-1]
    assert offsets == [0, len(wire)] and isinstance(cut, Error) and cut.code is ErrorCode.INPUT_TOO_SHORT

    async def first_of(data: bytes) -> Message:
        stream = asyncio.StreamReader()
        stream.feed_data(data)
        stream.feed_eof()
        async for message in vexal.aiter_messages(stream, limits=Limits()):
            return message
        raise AssertionError("no message")

    assert asyncio.run(first_of(wire)).second.payload == b"b"
    view, _ = vexal.parse_view(wire)
    assert view is not None and view.first.format is Format.BYTES and view.first.compression is Compression.NONE
