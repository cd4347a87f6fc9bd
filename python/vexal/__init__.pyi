# SPDX-License-Identifier: MIT
# Type information for the vexal package; its objects come from the C++
# extension vexal._vexal. Any bytes-like object is accepted wherever bytes
# are read.
import enum
from typing import ClassVar

from _typeshed import ReadableBuffer

__version__: str

class Error(ValueError): ...

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
    @property
    def payload(self) -> bytes: ...
    @payload.setter
    def payload(self, payload: ReadableBuffer) -> None: ...
    # A value stored outside the enumeration reads back as a plain int.
    @property
    def format(self) -> Format: ...
    @format.setter
    def format(self, format: int) -> None: ...
    @property
    def compression(self) -> Compression: ...
    @compression.setter
    def compression(self, compression: int) -> None: ...
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
    @property
    def first(self) -> Part: ...
    @first.setter
    def first(self, part: Part | ReadableBuffer | None) -> None: ...
    @property
    def second(self) -> Part: ...
    @second.setter
    def second(self, part: Part | ReadableBuffer | None) -> None: ...
    def compose(self) -> bytes: ...
    def __eq__(self, other: object) -> bool: ...

class Limits:
    max_message_size: int
    max_payload_size: int
    def __init__(self, max_message_size: int = 67108864, max_payload_size: int = 67108864) -> None: ...
    @staticmethod
    def unlimited() -> Limits: ...

class Reader:
    def __init__(self, max_message_size: int = 67108864, max_payload_size: int = 67108864) -> None: ...
    def feed(self, data: ReadableBuffer) -> None: ...
    def __iter__(self) -> Reader: ...
    def __next__(self) -> Message: ...
    @property
    def offset(self) -> int: ...
    @property
    def buffered(self) -> int: ...
    @property
    def needed(self) -> int: ...
    def skip(self) -> None: ...

def parse(
    data: ReadableBuffer, offset: int = 0, *, limits: Limits | None = None
) -> tuple[Message | None, int]: ...
