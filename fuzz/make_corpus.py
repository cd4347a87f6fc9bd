#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the seed corpus of the fuzz targets to DIR/<target>/. The committed
# fuzz/corpus/ is its output: python3 fuzz/make_corpus.py fuzz/corpus
import pathlib
import sys
import zlib

# Header codes as the wire carries them: part types 1 and 0, formats 2, 1
# and 0, stored as is or as a zlib stream.
FIRST, SECOND = 1, 2
APPLICATION_2, APPLICATION_1, BYTES = 1, 2, 3
STORED, ZLIB = 0, 1
TEXT = b"".join(b"the vexal part payload number %d\n" % i for i in range(40))
ABC = b"abc"


# `data` as one zlib stream; wbits 31 gives the gzip format.
def deflated(data, level=6, wbits=15, **dictionary):
    z = zlib.compressobj(level, zlib.DEFLATED, wbits, 8, 0, **dictionary)
    return z.compress(data) + z.flush()


# One part: the 8-byte header, then the stored bytes.
def part(type_code, format_code, compression_code, stored):
    header = bytes([type_code, format_code, compression_code, 0])
    return header + len(stored).to_bytes(4, "big") + stored


# A message: `first` stored as is (level None) or compressed, then `second`.
def message(first, level, second, second_format=APPLICATION_2):
    head = (part(FIRST, BYTES, STORED, first) if level is None else
            part(FIRST, BYTES, ZLIB, deflated(first, level)))
    return head + part(SECOND, second_format, STORED, second)


DICTIONARY = deflated(TEXT, zdict=b"vexal part payload dictionary")
TWO_BYTES = message(b"\xaa\xbb", None, b"", BYTES)
STREAM = TWO_BYTES + message(TEXT, 6, ABC) + b"\5" + TWO_BYTES[1:]
MESSAGES = {
    "default": message(b"", None, b"", BYTES),
    "payload_aa_bb": TWO_BYTES,
    "types_swapped": part(SECOND, BYTES, 0, b"") + part(FIRST, BYTES, 0, b""),
    "zlib_best_speed": message(TEXT, 1, ABC),
    "zlib_default": message(TEXT, -1, ABC),
    "zlib_level_9": message(TEXT, 9, ABC),
    "preset_dictionary": part(FIRST, BYTES, ZLIB, DICTIONARY) +
    part(SECOND, BYTES, STORED, ABC),
    "two_messages": TWO_BYTES + message(ABC, -1, TEXT),
}
CORPUS = {
    "compressed": {
        **{f"level_{level}": deflated(TEXT, level) for level in (0, 1, 6, 9)},
        "empty": deflated(b""),
        "zeros_100k": deflated(bytes(100000), 9),
        "preset_dictionary": DICTIONARY,
        "gzip": deflated(TEXT, 6, 31),
        "cut": deflated(TEXT)[:-4],
        "stray_bytes_after": deflated(TEXT) + ABC,
    },
    "any_part": {
        "default": part(SECOND, BYTES, STORED, b""),
        "abc": part(FIRST, APPLICATION_2, STORED, ABC),
        "zlib_level_1": part(SECOND, BYTES, ZLIB, deflated(TEXT, 1)),
        "zlib_level_9": part(SECOND, APPLICATION_1, ZLIB, deflated(TEXT, 9)),
        "preset_dictionary": part(SECOND, BYTES, ZLIB, DICTIONARY),
        "gzip": part(FIRST, BYTES, ZLIB, deflated(TEXT, 6, 31)),
        "stored_bytes_short": part(FIRST, BYTES, STORED, b"\1\2\3\4")[:-1],
    },
    "round_trip": MESSAGES,
    # The message target reads its first byte as the offset of the message.
    "message": {
        **{name: b"\0" + data for name, data in MESSAGES.items()},
        "at_offset_5": b"\5junk!" + TWO_BYTES + ABC,
        "second_header_short": b"\0" + message(ABC, None, ABC)[:-5],
        "second_stored_short": b"\0" + message(ABC, None, ABC)[:-1],
    },
    # The reader target reads max_message_size, max_payload_size and the
    # feed size from its first three bytes (255: no limit).
    "reader": {
        "no_limits": b"\xff\xff\0" + STREAM,
        "tight_limits": b"\x08\x20\5" + STREAM,
        "bomb": b"\xff\x80\xff" + message(bytes(100000), 9, ABC),
    },
    # The view target reads its limits from its first byte (255: none).
    "view": {
        "no_limits": b"\xff" + STREAM,
        "tight_limits": b"\x06" + STREAM,
        "damaged_zlib_first": b"\xff" + part(FIRST, BYTES, ZLIB, b"x\x9c\xff")
        + part(SECOND, 9, STORED, ABC),
    },
}

if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} DIR")
    for target, files in CORPUS.items():
        directory = pathlib.Path(sys.argv[1]) / target
        directory.mkdir(parents=True, exist_ok=True)
        for name, content in files.items():
            (directory / name).write_bytes(content)
