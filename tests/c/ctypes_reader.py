#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Reads a stream through the C reader of a built or installed libvexal with
Python's ctypes alone, as any foreign-function caller would: no compiler, no
binding. The stream holds a message composed by vexal_compose (its first
part compressed), a malformed one and a good one, fed in 5-byte pieces.

Usage: ctypes_reader.py PATH/TO/libvexal.so
"""
import ctypes
import sys
import zlib

OK, NEED_MORE, MALFORMED = 0, 1, 2


class Error(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("code", ctypes.c_int),
                ("offset", ctypes.c_uint64), ("text", ctypes.c_char * 160)]


class Part(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("format", ctypes.c_int),
                ("compressed", ctypes.c_int),
                ("stored", ctypes.POINTER(ctypes.c_uint8)),
                ("stored_size", ctypes.c_size_t),
                ("stored_offset", ctypes.c_size_t)]


class Message(ctypes.Structure):
    _fields_ = [("first", Part), ("second", Part), ("size", ctypes.c_size_t),
                ("in_data", ctypes.c_int)]


class PartSpec(ctypes.Structure):
    _fields_ = [("payload", ctypes.c_char_p), ("size", ctypes.c_size_t),
                ("format", ctypes.c_int), ("compression", ctypes.c_int)]


def load(path):
    lib = ctypes.CDLL(path)
    byte_pointer = ctypes.POINTER(ctypes.c_uint8)
    lib.vexal_version_string.restype = ctypes.c_char_p
    lib.vexal_reader_new.restype = ctypes.c_void_p
    lib.vexal_reader_new.argtypes = [ctypes.c_void_p]
    lib.vexal_reader_free.argtypes = [ctypes.c_void_p]
    lib.vexal_reader_prepare.restype = byte_pointer
    lib.vexal_reader_prepare.argtypes = [ctypes.c_void_p, ctypes.c_size_t]
    lib.vexal_reader_commit.argtypes = [ctypes.c_void_p, ctypes.c_size_t]
    lib.vexal_reader_next.argtypes = [ctypes.c_void_p, ctypes.POINTER(Message),
                                      ctypes.POINTER(Error)]
    lib.vexal_reader_skip.argtypes = [ctypes.c_void_p]
    lib.vexal_reader_at_boundary.argtypes = [ctypes.c_void_p]
    lib.vexal_reader_offset.restype = ctypes.c_uint64
    lib.vexal_reader_offset.argtypes = [ctypes.c_void_p]
    lib.vexal_part_payload.argtypes = [
        ctypes.POINTER(Part), ctypes.c_void_p, ctypes.POINTER(byte_pointer),
        ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(Error)]
    lib.vexal_compose.argtypes = [
        ctypes.POINTER(PartSpec), ctypes.POINTER(PartSpec), ctypes.POINTER(byte_pointer),
        ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(Error)]
    lib.vexal_free.argtypes = [ctypes.c_void_p]
    return lib


def take(lib, call, *arguments):
    """The bytes of a buffer that `call` allocates, released at once."""
    buffer, size, error = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_size_t(), Error()
    status = call(*arguments, ctypes.byref(buffer), ctypes.byref(size), ctypes.byref(error))
    if status != OK:
        raise RuntimeError(error.text.decode())
    data = ctypes.string_at(buffer, size.value)
    lib.vexal_free(buffer)
    return data


def main():
    lib = load(sys.argv[1])
    head, body = b"head " * 50, b"body"
    first, second = PartSpec(head, len(head), 0, 1), PartSpec(body, len(body), 2, 0)
    composed = take(lib, lib.vexal_compose, ctypes.byref(first), ctypes.byref(second))
    # The first part is a zlib stream, which Python's zlib reads back.
    assert zlib.decompress(composed[8:8 + int.from_bytes(composed[4:8], "big")]) == head
    stream = (composed + bytes.fromhex("01 09 00 00 00 00 00 00 02 03 00 00 00 00 00 00") +
              bytes.fromhex("01 03 00 00 00 00 00 02") + b"ok" + b"\x02\x03" + bytes(6))
    reader = lib.vexal_reader_new(None)
    seen = []
    message, error = Message(), Error()
    for at in range(0, len(stream), 5):
        piece = stream[at:at + 5]
        ctypes.memmove(lib.vexal_reader_prepare(reader, len(piece)), piece, len(piece))
        lib.vexal_reader_commit(reader, len(piece))
        while (status := lib.vexal_reader_next(reader, ctypes.byref(message),
                                               ctypes.byref(error))) != NEED_MORE:
            if status == OK:
                seen.append((take(lib, lib.vexal_part_payload, ctypes.byref(message.first), None),
                             take(lib, lib.vexal_part_payload, ctypes.byref(message.second), None),
                             message.second.format))
            else:
                seen.append((status, error.code, error.offset, error.text.decode()))
                lib.vexal_reader_skip(reader)
    at_end = lib.vexal_reader_at_boundary(reader) and lib.vexal_reader_offset(reader) == len(stream)
    lib.vexal_reader_free(reader)
    expected = [(head, body, 2),
                (MALFORMED, 7, len(composed) + 1, "Unknown vexal format (raw)"),
                (b"ok", b"", 0)]
    if seen != expected or not at_end:
        sys.exit(f"ctypes read {seen} (at the end: {bool(at_end)}), expected {expected}")
    print(f"libvexal {lib.vexal_version_string().decode()} through ctypes: "
          f"{len(seen)} outcomes as expected")


if __name__ == "__main__":
    main()
