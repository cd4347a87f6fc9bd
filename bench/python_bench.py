#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The Python package against Python's own struct + zlib doing the same work
# by hand: compose a message from two payloads, and parse one back into its
# two payloads, for two parts of 16 B and of 1 MiB, stored raw and as zlib
# streams (zlib's default level). It prints a Markdown table with the time
# per operation of each (CPU time, median of 7 runs taken in turns) and their ratio (vexal /
# by hand; lower is better). A second table sets vexal against what Python
# users reach for instead, among them parse_view (payloads as memoryviews)
# against parse (payloads as bytes), and a 64 MiB stream read from a
# socketpair with recv_into(reader.prepare()) against recv_into a
# preallocated bytearray (both ends in this process, so the sender's CPU
# time counts on both sides). Last, how two threads parsing large
# compressed messages compare with one (wall time, which needs two idle
# cores to mean anything).
#
# Run it with the package on the path, for example:
#   PYTHONPATH=build/release/python /usr/bin/python3 bench/python_bench.py
# --quick runs every case briefly, which shows that it works, not how fast.
import atexit
import os
import random
import socket
import struct
import tempfile
import sys
import threading
import time
import timeit
import zlib

import msgpack

import vexal

HEADER = struct.Struct(">BBBBI")  # type, format, compression, reserved, length
TYPE_CODES = {1: 1, 2: 0}
FORMAT_CODES = {3: 0, 2: 1, 1: 2}


def compose_by_hand(first, second, compressed):
    out = bytearray()
    for type_code, payload in ((1, first), (2, second)):
        stored = zlib.compress(payload, -1) if compressed else payload
        out += HEADER.pack(type_code, 3, int(compressed), 0, len(stored))
        out += stored
    return bytes(out)


def parse_by_hand(data, offset=0):
    parts = []
    for _ in range(2):
        if len(data) - offset < HEADER.size:
            return None, offset
        type_code, format_code, compression, _, length = HEADER.unpack_from(data, offset)
        end = offset + HEADER.size + length
        if end > len(data):
            return None, offset
        if type_code not in TYPE_CODES or format_code not in FORMAT_CODES or compression > 1:
            raise ValueError("bad code")
        stored = data[offset + HEADER.size:end]
        parts.append((FORMAT_CODES[format_code], compression,
                      zlib.decompress(stored) if compression else stored))
        offset = end
    return parts, offset


def text(size, seed):
    words = [b"vexal", b"message", b"part", b"payload", b"header", b"stream", b"zlib"]
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
    return bytes(out[:size])


def seconds_per_call(ours, theirs, quick):
    """CPU time per call of `ours` and of `theirs`, medians of 7 runs taken
    in turns, so that a change in the load of a shared machine weighs on
    both alike (CPU time, so that waiting for other work does not count)."""
    timers = [timeit.Timer(call, timer=time.process_time) for call in (ours, theirs)]
    numbers = [1 if quick else timer.autorange()[0] for timer in timers]
    runs = [[], []]
    for _ in range(1 if quick else 7):
        for timer, number, times in zip(timers, numbers, runs):
            times.append(timer.timeit(number) / number)
    return [sorted(times)[len(times) // 2] for times in runs]


def show(seconds):
    return f"{seconds * 1e6:,.1f} µs" if seconds < 1e-3 else f"{seconds * 1e3:,.2f} ms"


def join_by_hand(first, second):
    return b"".join((HEADER.pack(1, 3, 0, 0, len(first)), first, HEADER.pack(2, 3, 0, 0, len(second)), second))


def read_both(message):
    return message.first.payload, message.second.payload


def read_views(view):
    return view.first.payload, view.second.payload


def stream_by_hand(path):
    with open(path, "rb") as file:
        data = file.read()
    offset, count = 0, 0
    while offset < len(data):
        parts, offset = parse_by_hand(data, offset)
        count += 1
    return count


class SocketStream:
    """A socketpair whose one end a thread of this process writes `data`
    into, once per read; reads count the CPU time of both ends."""

    def __init__(self, data):
        self.data = data

    def read(self, receive):
        ours, theirs = socket.socketpair()
        with ours, theirs:
            sender = threading.Thread(target=lambda: (theirs.sendall(self.data), theirs.shutdown(socket.SHUT_WR)))
            sender.start()
            count = receive(ours)
            sender.join()
        return count

    @staticmethod
    def into_reader(sock):
        reader, count = vexal.Reader(), 0
        while received := sock.recv_into(reader.prepare(65536)):
            reader.commit(received)
            for _ in reader:
                count += 1
        assert reader.at_boundary
        return count

    @staticmethod
    def into_bytearray(sock):
        buffer, total = bytearray(65536), 0
        while received := sock.recv_into(buffer):
            total += received
        return total


def targets(quick):
    """The targets: vexal against what Python users reach for instead: (what, vexal call, baseline call)."""
    big1, big2 = text(1 << 20, 5), text(1 << 20, 6)
    small1, small2 = text(16, 7), text(16, 8)
    small_wire = vexal.Message(small1, small2).compose()
    packed = msgpack.packb([small1, small2])
    mid = vexal.Message(text(4096, 9), text(4096, 10)).compose()
    file = tempfile.NamedTemporaryFile(delete=False)
    file.write(mid * (((4 if quick else 64) << 20) // len(mid)))
    file.close()
    atexit.register(os.unlink, file.name)
    count = stream_by_hand(file.name)
    assert sum(1 for _ in vexal.iter_messages(file.name)) == count
    stream = SocketStream(open(file.name, "rb").read())
    assert stream.read(SocketStream.into_reader) == count
    return (
        ("parse, bytes | parse_view 2 × 16 B, both payloads as memoryviews",
         lambda: read_views(vexal.parse_view(small_wire)[0]), lambda: read_both(vexal.parse(small_wire)[0])),
        ("struct + join | compose new 2 × 1 MiB", lambda: vexal.Message(big1, big2).compose(),
         lambda: join_by_hand(big1, big2)),
        ("struct + join | compose new 2 × 16 B", lambda: vexal.Message(small1, small2).compose(),
         lambda: join_by_hand(small1, small2)),
        ("struct | parse 2 × 16 B, both payloads", lambda: read_both(vexal.parse(small_wire)[0]),
         lambda: parse_by_hand(small_wire)),
        ("msgpack.unpackb | parse 2 × 16 B, each payload made a bytes object", lambda: vexal.parse(small_wire),
         lambda: msgpack.unpackb(packed)),
        ("msgpack.unpackb | parse 2 × 16 B, both payloads read back", lambda: read_both(vexal.parse(small_wire)[0]),
         lambda: msgpack.unpackb(packed)),
        ("msgpack.packb | compose new 2 × 4 KiB", lambda: vexal.Message(mid[8:4104], mid[4112:]).compose(),
         lambda: msgpack.packb([mid[8:4104], mid[4112:]])),
        (f"read() + struct | iter_messages, {count} × 2 × 4 KiB file", lambda: sum(1 for _ in vexal.iter_messages(file.name)),
         lambda: stream_by_hand(file.name)),
        (f"recv_into(bytearray) | recv_into(reader.prepare()), socketpair, {count} × 2 × 4 KiB",
         lambda: stream.read(SocketStream.into_reader), lambda: stream.read(SocketStream.into_bytearray)),
    )


def main(quick):
    print(f"vexal {vexal.__version__}, Python {sys.version.split()[0]}, zlib {zlib.ZLIB_VERSION}")
    print("| operation | parts | stored as | vexal | struct + zlib | ratio |")
    print("|---|---|---|---:|---:|---:|")
    for label, size in (("2 × 16 B", 16), ("2 × 1 MiB", 1 << 20)):
        first, second = text(size, 1), text(size, 2)
        for compressed in (False, True):
            compression = vexal.Compression.ZLIB_DEFAULT if compressed else vexal.Compression.NONE
            message = vexal.Message(vexal.Part(first, compression=compression),
                                    vexal.Part(second, compression=compression))
            wire = message.compose()
            assert wire == compose_by_hand(first, second, compressed)
            assert parse_by_hand(wire)[0][1][2] == vexal.parse(wire)[0].second.payload
            cases = (("compose", message.compose, lambda: compose_by_hand(first, second, compressed)),
                     ("parse", lambda: vexal.parse(wire), lambda: parse_by_hand(wire)))
            for operation, ours, theirs in cases:
                mine, hand = seconds_per_call(ours, theirs, quick)
                stored = "zlib" if compressed else "raw"
                print(f"| {operation} | {label} | {stored} | {show(mine)} | {show(hand)} | {mine / hand:.2f} |")

    print()
    print("| against | operation | vexal | baseline | ratio |")
    print("|---|---|---:|---:|---:|")
    for name, ours, theirs in targets(quick):
        mine, base = seconds_per_call(ours, theirs, quick)
        print(f"| {name} | {show(mine)} | {show(base)} | {mine / base:.2f} |")

    # The GIL is released while large payloads are inflated, so two threads
    # parse at once: wall time of 2 × N parses on two threads / on one.
    big = vexal.Message(text(1 << 20, 3), vexal.Part(text(1 << 20, 4), compression=1)).compose()
    count = 2 if quick else 40

    def work():
        for _ in range(count):
            vexal.parse(big)

    start = time.perf_counter()
    work()
    work()
    serial = time.perf_counter() - start
    threads = [threading.Thread(target=work) for _ in range(2)]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    parallel = time.perf_counter() - start
    print(f"\nparse of 2 × 1 MiB (second part zlib), {2 * count} times: one thread "
          f"{show(serial)}, two threads {show(parallel)}; ratio {parallel / serial:.2f}")


if __name__ == "__main__":
    main("--quick" in sys.argv[1:])
