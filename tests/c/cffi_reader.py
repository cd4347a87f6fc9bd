#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The C interface through Python's cffi in ABI mode, as a binding generator
sees it: vexal/vexal.h, preprocessed with the export macro blanked
(`gcc -E -P -DVEXAL_EXPORT=`) and the lines of the system headers it
includes dropped, goes into `ffi.cdef` unchanged; nothing is copied by hand.
Through it the script composes into its own memory, parses in place (stored
offsets slice its own bytes), refuses an over-size commit, and reads a stream
of Python bytes objects through vexal_reader_read.

Usage: cffi_reader.py PATH/TO/libvexal.so INCLUDE_DIR...
"""
import subprocess
import sys
import zlib

import cffi


def preprocess(source, include_dirs):
    command = ["gcc", "-E", "-P", "-DVEXAL_EXPORT=", "-"]
    command += [f"-I{d}" for d in include_dirs]
    return subprocess.run(command, input=source, capture_output=True, text=True,
                          check=True).stdout.splitlines()


def declarations(include_dirs):
    """The header's own declarations: its output, less the leading lines of
    the system headers it includes first, preprocessed the same way."""
    system = preprocess("#include <stddef.h>\n#include <stdint.h>\n", include_dirs)
    header = preprocess("#include <vexal/vexal.h>\n", include_dirs)
    if header[:len(system)] != system:
        sys.exit("vexal/vexal.h does not begin with <stddef.h> and <stdint.h>")
    return "\n".join(header[len(system):])


def main(library, *include_dirs):
    ffi = cffi.FFI()
    ffi.cdef(declarations(include_dirs))
    lib = ffi.dlopen(library)
    name = lambda status: ffi.string(lib.vexal_status_name(status)).decode()
    error = ffi.new("vexal_error_t*")
    size = ffi.new("size_t*")

    version = ffi.string(lib.vexal_version_string()).decode()
    major, minor, patch = map(int, version.split("."))
    assert lib.vexal_version_number() == major * 1000000 + minor * 1000 + patch
    assert ffi.string(lib.vexal_code_name(lib.VEXAL_CODE_UNKNOWN_FORMAT_CODE)) == b"VEXAL_CODE_UNKNOWN_FORMAT_CODE"

    # Compose into memory of our own, within the bound.
    text, tail = b"a payload that zlib will shrink, shrink", b"tail"
    bound = lib.vexal_compose_bound(len(text), lib.VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION, len(tail),
                                    lib.VEXAL_COMPRESSION_NONE)
    out = ffi.new("uint8_t[]", bound)
    status = lib.vexal_compose_into(text, len(text), lib.VEXAL_FORMAT_APPLICATION_1,
                                    lib.VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION, tail, len(tail),
                                    lib.VEXAL_FORMAT_BYTES, lib.VEXAL_COMPRESSION_NONE, out, bound, size, error)
    assert status == lib.VEXAL_OK, ffi.string(error.text)
    wire = bytes(ffi.buffer(out, size[0]))
    stored = int.from_bytes(wire[4:8], "big")
    assert wire[0] == 1 and wire[2] == 1 and zlib.decompress(wire[8:8 + stored]) == text
    assert wire[8 + stored:] == b"\x02\x03\x00\x00\x00\x00\x00\x04tail"

    # Parse in place: the stored offsets slice our own bytes.
    data = b"pad" + wire
    message, end = ffi.new("vexal_message_t*"), ffi.new("size_t*")
    assert lib.vexal_parse(data, len(data), 3, ffi.NULL, message, end, error) == lib.VEXAL_OK
    first, second = message.first, message.second
    assert (end[0], message.in_data, first.compressed, first.format) == (len(data), 1, 1, lib.VEXAL_FORMAT_APPLICATION_1)
    assert data[second.stored_offset:second.stored_offset + second.stored_size] == tail
    payload = ffi.new("uint8_t[]", len(text))
    assert lib.vexal_payload_into(data[first.stored_offset:], first.stored_size, 1, ffi.NULL, payload,
                                  len(text) - 1, size, error) == lib.VEXAL_OUTPUT_TOO_SMALL
    assert size[0] == len(text)
    assert lib.vexal_payload_into(data[first.stored_offset:], first.stored_size, 1, ffi.NULL, payload,
                                  len(text), size, error) == lib.VEXAL_OK
    assert bytes(ffi.buffer(payload, size[0])) == text

    # A read's -1 passed on as a commit commits nothing.
    reader = ffi.gc(lib.vexal_reader_new(ffi.NULL), lib.vexal_reader_free)
    lib.vexal_reader_prepare(reader, 4)
    assert lib.vexal_reader_commit(reader, 2**64 - 1) == lib.VEXAL_INVALID_ARGUMENT
    assert lib.vexal_reader_at_boundary(reader) == 1

    # A stream of bytes objects, 5 bytes each and then whole, read in place
    # where a message lies within one.
    bad = b"\x01\x09" + bytes(6) + b"\x02\x03" + bytes(6)
    stream = wire + bad + wire
    for piece, in_place in ((5, 0), (len(stream), 2)):
        reader = ffi.gc(lib.vexal_reader_new(ffi.NULL), lib.vexal_reader_free)
        seen, in_data = [], 0
        for at in range(0, len(stream), piece):
            chunk = stream[at:at + piece]
            done = 0
            while True:
                status = lib.vexal_reader_read(reader, ffi.from_buffer(chunk) + done, len(chunk) - done, size,
                                               message, error)
                start, done = done, done + size[0]
                if status == lib.VEXAL_NEED_MORE:
                    break
                if status != lib.VEXAL_OK:
                    seen.append((name(status), error.offset, ffi.string(error.text).decode()))
                    lib.vexal_reader_skip(reader)
                    continue
                part = message.second
                if message.in_data:
                    got = chunk[start + part.stored_offset:][:part.stored_size]
                    in_data += 1
                else:
                    got = bytes(ffi.buffer(part.stored, part.stored_size))
                seen.append((name(status), lib.vexal_reader_offset(reader) - message.size, got))
        assert seen == [("VEXAL_OK", 0, tail), ("VEXAL_MALFORMED", len(wire) + 1, "Unknown vexal format (raw)"),
                        ("VEXAL_OK", len(wire) + len(bad), tail)], seen
        assert lib.vexal_reader_at_boundary(reader) == 1 and in_data == in_place
    print(f"cffi: libvexal {version}: composed {len(wire)} bytes, parsed, read {len(seen)} outcomes")


if __name__ == "__main__":
    main(*sys.argv[1:])
