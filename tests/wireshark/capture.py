# SPDX-License-Identifier: MIT
# Captures made from scratch for the dissector's test and benchmark: vexal
# messages (part headers packed here, zlib streams made by Python's zlib)
# and pcap files of one TCP stream or of UDP datagrams that carry them.
import struct
import zlib

PORT = 47000  # a port that no dissector of Wireshark's own claims over TCP


def part(type_code, stored, compression=0, format_code=3):
    return struct.pack(">BBBxI", type_code, format_code, compression, len(stored)) + stored


def message(first, second=b"", levels=(None, None), formats=(3, 3)):
    """A message whose payloads are stored as is, or compressed at a zlib level."""
    parts = []
    for type_code, payload, level, format_code in zip((1, 2), (first, second), levels, formats):
        stored = payload if level is None else zlib.compress(payload, level)
        parts.append(part(type_code, stored, int(level is not None), format_code))
    return b"".join(parts)


def zeros_stream(size, damage=None):
    """A zlib stream of `size` zero bytes, about a thousandth as long, in two
    halves with a full flush between them: whole, with the last byte of its
    Adler-32 flipped (damage "check"), or with a fault halfway (damage
    "middle": the lengths of the empty stored block that the flush put there
    no longer match)."""
    codec = zlib.compressobj(9)
    first = codec.compress(bytes(size // 2)) + codec.flush(zlib.Z_FULL_FLUSH)
    rest = codec.compress(bytes(size - size // 2)) + codec.flush()
    if damage == "middle":
        first = first[:-2] + b"\0\0"
    elif damage == "check":
        rest = rest[:-1] + bytes([rest[-1] ^ 1])
    return first + rest


def pcap(units, transport):
    """A pcap of Ethernet/IPv4 frames, one per unit, from 10.0.0.1:40000 to PORT."""
    out = [struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 1 << 18, 1)]
    seq = 1
    for number, unit in enumerate(units):
        if transport == "tcp":
            head = struct.pack(">HHIIBBHHH", 40000, PORT, seq, 1, 5 << 4, 0x18, 65535, 0, 0)
            seq += len(unit)
        else:
            head = struct.pack(">HHHH", 40000, PORT, 8 + len(unit), 0)
        ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(head) + len(unit), number, 0, 64,
                         6 if transport == "tcp" else 17, 0, bytes([10, 0, 0, 1]), bytes([10, 0, 0, 2]))
        frame = bytes(11) + b"\x01\x08\x00" + ip + head + unit
        out += [struct.pack("<IIII", number, 0, len(frame), len(frame)), frame]
    return b"".join(out)
