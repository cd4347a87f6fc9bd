# SPDX-License-Identifier: MIT
# Type information for the vexal package; its objects come from the C++
# extension vexal._vexal. Any bytes-like object is accepted wherever bytes
# are read. Attributes that are set from a wider type than they read back
# are declared as descriptors, which every mypy version understands.
import asyncio
import enum
import os
from collections.abc import AsyncIterator, Iterator
from typing import Any, ClassVar, Generic, Literal, NamedTuple, Protocol, TypeVar, final, overload

from _typeshed import ReadableBuffer

__version__: str

_Out = TypeVar("_Out", covariant=True)
_In = TypeVar("_In", contravariant=True)

class _Field(Generic[_Out, _In]):
    def __get__(self, instance: object, owner: Any = None) -> _Out: ...
    def __set__(self, instance: object, value: _In) -> None: ...

class ErrorCode(enum.IntEnum):
    INPUT_TOO_SHORT = 1
    POSITION_OUT_OF_RANGE = 2
    UNKNOWN_TYPE = 3
    UNKNOWN_FORMAT = 4
    UNKNOWN_COMPRESSION = 5
    UNKNOWN_TYPE_CODE = 6
    UNKNOWN_FORMAT_CODE = 7
    UNKNOWN_COMPRESSION_CODE = 8
    PARTS_PAYLOAD_TOO_LONG = 9
    ZLIB_FAILED = 10
    MESSAGE_TOO_LONG = 11
    PAYLOAD_TOO_LONG = 12
    OUT_OF_MEMORY = 13
    COMPRESSED_PART = 14

class Error(ValueError):
    # Set on every error the package raises: where the refused message
    # starts in its buffer or stream (None where there is none, as for
    # composing), where the field at fault lies, counted from the same
    # origin (None with offset), and why it was refused.
    offset: int | None
    field_offset: int | None
    code: ErrorCode

class LimitError(Error): ...

class TruncatedError(Error):
    needed: int

class Format(enum.IntEnum):
    BYTES = 0
    APPLICATION_1 = 1
    APPLICATION_2 = 2

class Compression(enum.IntEnum):
    NONE = 0
    ZLIB_DEFAULT = 1
    ZLIB_BEST_SPEED = 2
    ZLIB_BEST_COMPRESSION = 3
    ZLIB_LEVEL_1 = 4
    ZLIB_LEVEL_2 = 5
    ZLIB_LEVEL_3 = 6
    ZLIB_LEVEL_4 = 7
    ZLIB_LEVEL_5 = 8
    ZLIB_LEVEL_6 = 9
    ZLIB_LEVEL_7 = 10
    ZLIB_LEVEL_8 = 11
    ZLIB_LEVEL_9 = 12

class Part:
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def __init__(
        self,
        payload: ReadableBuffer = b"",
        format: int = Format.BYTES,
        compression: int = Compression.NONE,
    ) -> None: ...
    payload: _Field[bytes, ReadableBuffer]
    # A value stored outside the enumeration reads back as a plain int.
    format: _Field[Format, int]
    compression: _Field[Compression, int]
    @property
    def type(self) -> int: ...
    # memoryview(part) lends the payload read-only; the part then refuses
    # changes until the view is released.
    def __len__(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...

class Message:
    __hash__: ClassVar[None]  # type: ignore[assignment]
    def __init__(
        self,
        first: Part | ReadableBuffer | None = None,
        second: Part | ReadableBuffer | None = None,
    ) -> None: ...
    first: _Field[Part, Part | ReadableBuffer | None]
    second: _Field[Part, Part | ReadableBuffer | None]
    def compose(self) -> bytes: ...
    def __eq__(self, other: object) -> bool: ...

class Limits:
    __hash__: ClassVar[None]  # type: ignore[assignment]
    max_message_size: int
    max_payload_size: int
    def __init__(self, max_message_size: int = 67108864, max_payload_size: int = 67108864) -> None: ...
    @staticmethod
    def unlimited() -> Limits: ...
    def __eq__(self, other: object) -> bool: ...

class WirePart(NamedTuple):
    stored_size: int
    compressed: bool
    level_hint: int

class WireMessage(NamedTuple):
    offset: int
    size: int
    parts: tuple[WirePart, WirePart]

class Reader:
    def __init__(
        self,
        max_message_size: int = 67108864,
        max_payload_size: int = 67108864,
        *,
        limits: Limits | None = None,
    ) -> None: ...
    def feed(self, data: ReadableBuffer, /) -> None: ...
    # Room for `size` bytes in the reader's buffer, to read into; released
    # by the reader's next call.
    def prepare(self, size: int, /) -> memoryview: ...
    def commit(self, size: int, /) -> None: ...
    def __iter__(self) -> Reader: ...
    def __next__(self) -> Message: ...
    @property
    def offset(self) -> int: ...
    @property
    def buffered(self) -> int: ...
    @property
    def needed(self) -> int: ...
    @property
    def capacity(self) -> int: ...
    @property
    def at_boundary(self) -> bool: ...
    @property
    def wire(self) -> WireMessage: ...
    def skip(self) -> None: ...
    def next_view(self) -> MessageView | None: ...

def parse(
    data: ReadableBuffer, offset: int = 0, *, limits: Limits | None = None
) -> tuple[Message | None, int]: ...

@final
class PartView:
    # memoryview(part_view) is its stored bytes, read-only, in the buffer.
    # A read-only memoryview into the parsed buffer.
    @property
    def stored(self) -> memoryview: ...
    # A memoryview for a part stored as is, inflated bytes for a compressed one.
    @property
    def payload(self) -> memoryview | bytes: ...
    @property
    def format(self) -> Format: ...
    @property
    def compression(self) -> Compression: ...
    @property
    def compressed(self) -> bool: ...

@final
class MessageView:
    @property
    def first(self) -> PartView: ...
    @property
    def second(self) -> PartView: ...
    @property
    def size(self) -> int: ...
    def __len__(self) -> int: ...

def parse_view(
    buffer: ReadableBuffer, offset: int = 0, *, limits: Limits | None = None
) -> tuple[MessageView | None, int]: ...

class _ReadInto(Protocol):
    def readinto(self, buffer: memoryview, /) -> int | None: ...

class _Readable(Protocol):
    def read(self, size: int, /) -> bytes | None: ...

_Source = str | bytes | os.PathLike[str] | os.PathLike[bytes] | _ReadInto | _Readable

@overload
def iter_messages(
    source: _Source,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[False] = False,
    keep_going: Literal[False] = False,
) -> Iterator[Message]: ...
@overload
def iter_messages(
    source: _Source,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[True],
    keep_going: Literal[False] = False,
) -> Iterator[tuple[int, Message]]: ...
@overload
def iter_messages(
    source: _Source,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[False] = False,
    keep_going: Literal[True],
) -> Iterator[Message | Error]: ...
@overload
def iter_messages(
    source: _Source,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[True],
    keep_going: Literal[True],
) -> Iterator[tuple[int, Message | Error]]: ...
@overload
def aiter_messages(
    stream: asyncio.StreamReader,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[False] = False,
    keep_going: Literal[False] = False,
) -> AsyncIterator[Message]: ...
@overload
def aiter_messages(
    stream: asyncio.StreamReader,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[True],
    keep_going: Literal[False] = False,
) -> AsyncIterator[tuple[int, Message]]: ...
@overload
def aiter_messages(
    stream: asyncio.StreamReader,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[False] = False,
    keep_going: Literal[True],
) -> AsyncIterator[Message | Error]: ...
@overload
def aiter_messages(
    stream: asyncio.StreamReader,
    *,
    limits: Limits | None = None,
    chunk_size: int = 65536,
    with_offsets: Literal[True],
    keep_going: Literal[True],
) -> AsyncIterator[tuple[int, Message | Error]]: ...
