# SPDX-License-Identifier: MIT
"""Compose and parse vexal messages with libvexal.

Everything here is the C++ library's own behaviour, reached through the
extension module vexal._vexal: Part and Message hold the library's objects,
parse and Reader run its parsers, and vexal.Error carries its error texts
and codes. iter_messages reads the messages of a file or stream through a
Reader, aiter_messages those of an asyncio.StreamReader.
"""
import os

from ._vexal import (Compression, Error, ErrorCode, Format, LimitError, Limits, Message, MessageView,
                     Part, PartView, Reader, TruncatedError, WireMessage, WirePart, __version__, parse,
                     parse_view)

__all__ = [
    "Compression", "Error", "ErrorCode", "Format", "LimitError", "Limits", "Message", "MessageView",
    "Part", "PartView", "Reader", "TruncatedError", "WireMessage", "WirePart", "__version__",
    "aiter_messages", "iter_messages", "parse", "parse_view",
]


def iter_messages(source, *, limits=None, chunk_size=65536, with_offsets=False, keep_going=False):
    """Yields each message of `source`: a path, a binary file object or any
    object with readinto() or read(). A path is opened and closed here. A
    readinto() source reads straight into the reader's buffer.

    With `with_offsets`, yields (offset, message) pairs, the offset being
    where the message starts in the stream. A refused message raises
    vexal.Error (LimitError for a message over `limits`) with its offset;
    with `keep_going` the error is yielded in its place instead and reading
    goes on after it. TruncatedError reports a stream that ends inside a
    message, and BlockingIOError a non-blocking source with no data yet.
    """
    if isinstance(source, (str, bytes, os.PathLike)):
        with open(source, "rb") as file:
            yield from _messages_of(file, limits, chunk_size, with_offsets, keep_going)
    else:
        yield from _messages_of(source, limits, chunk_size, with_offsets, keep_going)


async def aiter_messages(stream, *, limits=None, chunk_size=65536, with_offsets=False, keep_going=False):
    """Yields each message read from `stream`, an asyncio.StreamReader, as
    iter_messages does, for `async for`."""
    reader = Reader(limits=limits)
    while chunk := await stream.read(chunk_size):
        reader.feed(chunk)
        for item in _whole(reader, with_offsets, keep_going):
            yield item
    for item in _end(reader, with_offsets, keep_going):
        yield item


def _messages_of(stream, limits, chunk_size, with_offsets, keep_going):
    reader = Reader(limits=limits)
    readinto = getattr(stream, "readinto", None)
    while True:
        if readinto:
            count = readinto(reader.prepare(chunk_size))
            if count is None:
                raise BlockingIOError("the source has no data yet")
            reader.commit(count)
        else:
            chunk = stream.read(chunk_size)
            if chunk is None:
                raise BlockingIOError("the source has no data yet")
            count = len(chunk)
            reader.feed(chunk)
        if not count:
            break
        yield from _whole(reader, with_offsets, keep_going)
    yield from _end(reader, with_offsets, keep_going)


def _whole(reader, with_offsets, keep_going):
    """Every message that the reader holds whole, or its refusal."""
    while True:
        offset = reader.offset
        try:
            item = next(reader, None)
        except Error as refused:
            if not keep_going:
                raise
            reader.skip()
            item = refused
        if item is None:
            return
        yield (offset, item) if with_offsets else item


def _end(reader, with_offsets, keep_going):
    """The stream's end: a TruncatedError when it lies inside a message."""
    if reader.at_boundary:
        return
    cut = TruncatedError("vexal stream ends inside a message")
    cut.offset, cut.needed, cut.code = reader.offset, reader.needed, ErrorCode.INPUT_TOO_SHORT
    if not keep_going:
        raise cut
    yield (cut.offset, cut) if with_offsets else cut
