#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed corpus of the fuzz targets to DIR/<target>/.

The committed fuzz/corpus/ is its output; regenerate it with
`python3 fuzz/make_corpus.py fuzz/corpus`.
"""
import pathlib
import sys
import zlib

# Header codes as the wire carries them.
FIRST, SECOND = 1, 2
APPLICATION_2, APPLICATION_1, BYTES = 1, 2, 3
STORED, ZLIB = 0, 1

DICTIONARY = b"vexal part payload dictionary"
TEXT = b"".join(b"the vexal part payload number %d\n" % i for i in range(40))
ABC = b"abc"


def deflated(data, level, wbits=15, zdict=None):
    """`data` as one zlib stream; wbits 31 gives the gzip format."""
    options = {"zdict": zdict} if zdict else {}
    z = zlib.compressobj(level, zlib.DEFLATED, wbits, 8,
                         zlib.Z_DEFAULT_STRATEGY, **options)
    return z.compress(data) + z.flush()


def part(type_code, format_code, compression_code, stored):
    """One part: the 8-byte header, then the stored bytes."""
    return (bytes([type_code, format_code, compression_code, 0]) +
            len(stored).to_bytes(4, "big") + stored)


def message(first, level, second, second_format=APPLICATION_2):
    """A message whose first part holds `first` (zlib at `level`, or stored
    if None) and whose second part holds `second` stored."""
    if level is None:
        first_part = part(FIRST, BYTES, STORED, first)
    else:
        first_part = part(FIRST, BYTES, ZLIB, deflated(first, level))
    return first_part + part(SECOND, second_format, STORED, second)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(f"usage: {argv[0]} DIR\n")
        return 2
    root = pathlib.Path(argv[1])
    level_6 = deflated(TEXT, 6)
    with_dictionary = deflated(TEXT, 6, zdict=DICTIONARY)
    two_bytes = message(b"\xaa\xbb", None, b"", BYTES)

    streams = {
        "level_0": deflated(TEXT, 0),
        "level_1": deflated(TEXT, 1),
        "level_6": level_6,
        "level_9": deflated(TEXT, 9),
        "empty": deflated(b"", 6),
        "zeros_100k": deflated(bytes(100000), 9),
        "preset_dictionary": with_dictionary,
        "gzip": deflated(TEXT, 6, 31),
        "cut": level_6[:-4],
        "stray_bytes_after": level_6 + ABC,
    }
    parts = {
        "default": part(SECOND, BYTES, STORED, b""),
        "abc": part(FIRST, APPLICATION_2, STORED, ABC),
        "zlib_level_1": part(SECOND, BYTES, ZLIB, deflated(TEXT, 1)),
        "zlib_level_9": part(SECOND, APPLICATION_1, ZLIB, deflated(TEXT, 9)),
        "preset_dictionary": part(SECOND, BYTES, ZLIB, with_dictionary),
        "gzip": part(FIRST, BYTES, ZLIB, deflated(TEXT, 6, 31)),
        "stored_bytes_short": part(FIRST, BYTES, STORED, b"\1\2\3\4")[:-1],
    }
    messages = {
        "default": message(b"", None, b"", BYTES),
        "payload_aa_bb": two_bytes,
        "types_swapped": (part(SECOND, BYTES, STORED, b"") +
                          part(FIRST, BYTES, STORED, b"")),
        "zlib_best_speed": message(TEXT, 1, ABC),
        "zlib_default": message(TEXT, -1, ABC),
        "zlib_level_9": message(TEXT, 9, ABC),
        "preset_dictionary": (part(FIRST, BYTES, ZLIB, with_dictionary) +
                              part(SECOND, BYTES, STORED, ABC)),
        "two_messages": two_bytes + message(ABC, -1, TEXT),
    }
    # The message target reads its first byte as the offset of the message.
    raw_pair = message(ABC, None, ABC)
    at_offsets = {
        "at_offset_5": b"\5junk!" + two_bytes + ABC,
        "second_header_short": b"\0" + raw_pair[:-5],
        "second_stored_short": b"\0" + raw_pair[:-1],
    }
    at_offsets.update((name, b"\0" + content)
                      for name, content in messages.items())

    # The reader target reads max_message_size, max_payload_size and the
    # feed size from its first three bytes (255: no limit).
    stream = two_bytes + message(TEXT, 6, ABC) + bytes([5]) + two_bytes[1:]
    pieces = {"no_limits": b"\xff\xff\x00" + stream,
              "tight_limits": b"\x08\x20\x05" + stream,
              "bomb": b"\xff\x80\xff" + message(bytes(100000), 9, ABC)}

    for target, files in (("compressed", streams), ("any_part", parts),
                          ("round_trip", messages), ("message", at_offsets),
                          ("reader", pieces)):
        directory = root / target
        directory.mkdir(parents=True, exist_ok=True)
        for name, content in files.items():
            (directory / name).write_bytes(content)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
