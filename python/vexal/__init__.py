# SPDX-License-Identifier: MIT
"""Compose and parse vexal messages with libvexal.

Everything here is the C++ library's own behaviour, reached through the
extension module vexal._vexal: Part and Message hold the library's objects,
parse and Reader run its parsers, and vexal.Error carries its error texts.
iter_messages reads the messages of a file or stream through a Reader.
"""
import os

from ._vexal import (Compression, Error, Format, LimitError, Limits, Message, MessageView, Part,
                     PartView, Reader, TruncatedError, WireMessage, WirePart, __version__, parse,
                     parse_view)

__all__ = [
    "Compression", "Error", "Format", "LimitError", "Limits", "Message", "MessageView", "Part",
    "PartView", "Reader", "TruncatedError", "WireMessage", "WirePart", "__version__",
    "iter_messages", "parse", "parse_view",
]


def iter_messages(source, *, limits=None, chunk_size=65536):
    """Yields each message of `source`: a path, a binary file object or any
    object with readinto() or read(). A path is opened and closed here.

    Raises TruncatedError when the stream ends inside a message, and
    vexal.Error (LimitError for a message over `limits`) with the offset of
    a refused message.
    """
    if isinstance(source, (str, bytes, os.PathLike)):
        with open(source, "rb") as file:
            yield from _messages_of(file, limits, chunk_size)
    else:
        yield from _messages_of(source, limits, chunk_size)


def _messages_of(stream, limits, chunk_size):
    reader = Reader(limits=limits)
    readinto = getattr(stream, "readinto", None)
    buffer = bytearray(chunk_size if readinto else 0)
    view = memoryview(buffer)
    while True:
        if readinto:
            chunk = view[:readinto(buffer) or 0]
        else:
            chunk = stream.read(chunk_size) or b""
        if not chunk:
            break
        reader.feed(chunk)
        yield from reader
    if reader.buffered:
        raised = TruncatedError("vexal stream ends inside a message")
        raised.offset, raised.needed = reader.offset, reader.needed
        raise raised
