#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Checks tools/wireshark/vexal.lua against `vexal inspect`. Each case is a
# byte stream made here, cut into the TCP segments or UDP datagrams of a pcap
# written here; tshark with the dissector must report, message by message,
# what `vexal inspect --json --keep-going` reports for the same bytes: each
# message's length and its parts' type, format, compression, stored and
# payload lengths and level hint, in the frame that holds its last byte, or
# the refusal's text; except that a zlib stream refused past its header is
# refused with the dissector's own text (Wireshark's inflating names no
# fault), where `vexal inspect` gives zlib's code and words. Then runs the
# example of docs/wireshark.md and compares what it prints with the page's
# text.
# Usage: dissector_test.py VEXAL_TOOL
import json, os, re, subprocess, sys, tempfile, zlib
import xml.etree.ElementTree as ElementTree

from capture import PORT, message, part, pcap, zeros_stream

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))
DISSECTOR = os.path.join(ROOT, "tools/wireshark/vexal.lua")
TOOL = sys.argv[1]


text = b"".join(b"sensor %d reads %d\n" % (i, i * 7919 % 1000) for i in range(400))
deflated = zlib.compress(text, 6)
good = message(b"ok", b"fine")
sample = open(os.path.join(ROOT, "examples/sample.vexal"), "rb").read()
mixed = (message(b"head", text, (None, 9)) + message(b"", b"") + message(b"", b"", (0, 1)) +
         message(text[:700], b"", (1, 6), (1, 2)) + message(bytes(range(256)) * 20, text[:50], (None, 0)) +
         message(b"x" * 3, b"y" * 5, formats=(2, 1)) + message(text, text[::-1], (4, 2)))


def with_stream(stored):
    return good + part(1, b"a") + part(2, stored, 1) + good


# Damaged zlib streams: each header fault, cut short, empty, bytes after the
# stream (taken), and one bit flipped at every position of a dynamic, a fixed
# and a stored block (zlib names a dozen faults among them).
streams = [zlib.compress(text[:300], 9), zlib.compress(b"abcabcabd", 9), zlib.compress(text[:40], 0)]
damaged = b"".join(with_stream(stored) for stored in [
    b"\x78\x9d" + deflated[2:],                  # incorrect header check
    b"\x88\x1c" + deflated[2:],                  # invalid window size
    b"\x78\xbb\x00\x00\x00\x01" + deflated[2:],  # a dictionary wanted
    b"\x78\xbb\x00",                            # ... and cut short in its id
    deflated[:40], b"", zlib.compress(b"ab" * 100) + b"after",
] + [s[:at] + bytes([s[at] ^ 1 << at * 3 % 8]) + s[at + 1:] for s in streams for at in range(2, len(s))])
# Over max_message_size 4000 and max_payload_size 3000: a raw payload, a
# zlib payload, a message refused from its first header (the rest arrives
# in three more segments, the second header cut in two), one refused from
# both headers.
over = good + message(b"x" * 3500) + good + message(b"", bytes(10000), (None, 9)) + good
first_header_at = len(over)
over += message(b"x" * 5000, b"y" * 10) + good + message(b"x" * 100, b"y" * 4000) + good
malformed = good + b"".join(part(*codes) + part(2, b"b") + good for codes in [
    (7, b"a"), (1, b"a", 0, 9), (1, b"a", 2), (0, b"a", 5, 0)])
swapped = part(2, b"first") + part(1, b"second")

# Hostile messages: zlib streams of zeros a thousand times shorter than their
# payload, whole, with a damaged Adler-32, damaged halfway, followed by bytes
# after their end, and over the payload limit; the benchmark has them at
# 60 MiB.
bomb_size = 1 << 20
hostile = b"".join(message(b"", b"x") + part(1, stored, 1) + part(2, b"y") for stored in [
    zeros_stream(bomb_size), zeros_stream(bomb_size, "check"), zeros_stream(bomb_size, "middle"),
    zeros_stream(bomb_size) + b"after", zeros_stream(bomb_size + 1)])

CASES = [
    # name, transport, stream, cuts, how tshark is told of the dissector's port, limits
    ("sample in one segment", "tcp", sample, [], "decode-as", None),
    ("sample cut in headers and in a zlib stream", "tcp", sample, [3, 9, 300, 531, 538], "decode-as", None),
    ("generated, cut every 97 bytes", "tcp", mixed, range(97, len(mixed), 97), "ports", None),
    ("generated, several in a segment", "tcp", mixed, [len(mixed) - 100], "heuristic", None),
    ("UDP datagrams with two messages", "udp", sample + good + swapped, [len(sample)], "decode-as", None),
    ("malformed codes, swapped types", "tcp", malformed + swapped + good, [], "decode-as", None),
    ("damaged zlib streams", "tcp", damaged, range(1000, len(damaged), 1000), "decode-as", None),
    ("hostile zlib streams", "tcp", hostile, range(1400, len(hostile), 1400), "decode-as",
     (64 << 20, bomb_size)),
]
# Over the limits, read once and read twice (-2: each frame dissected again
# after the whole capture has been), as Wireshark's packet list does.
for claim in ("decode-as", "decode-as, two passes"):
    CASES.append((f"over the size limits, {claim}", "tcp", over,
                  [first_header_at + 10, first_header_at + 3000, first_header_at + 5011, first_header_at + 5020],
                  claim, (4000, 3000)))


def expected(path, limits):
    """What `vexal inspect --json --keep-going` reports, message by message."""
    options = ["--max-message-size", str(limits[0]), "--max-payload-size", str(limits[1])] if limits else []
    done = subprocess.run([TOOL, "inspect", "--json", "--keep-going", *options, path],
                          capture_output=True, text=True)
    reports = {}
    for line in done.stdout.splitlines():
        report = json.loads(line)
        reports[report["index"]] = (report["offset"] + report["length"], {
            "length": report["length"],
            "parts": [{k: p[k] for k in ("type", "format", "compression", "stored", "payload", "level")}
                      for p in report["parts"]]})
    for index, refusal in re.findall(r"message (\d+) at offset \d+: (.*)", done.stderr):
        reports[int(index)] = (None, {"refused": refusal})
    return [reports[index] for index in sorted(reports)]


def dissected(path, transport, claim, limits):
    """What tshark with the dissector reports: (frame, message) in order."""
    options = sum(({"decode-as": ["-d", f"{transport}.port=={PORT},vexal"],
                    "ports": ["-o", f"vexal.ports:{PORT}"],
                    "heuristic": ["-o", "vexal.heuristic:TRUE"],
                    "two passes": ["-2"]}[word] for word in claim.split(", ")), [])
    if limits:
        options += ["-o", f"vexal.max_message_size:{limits[0]}", "-o", f"vexal.max_payload_size:{limits[1]}"]
    pdml = subprocess.run(["tshark", "-r", path, "-X", f"lua_script:{DISSECTOR}", *options, "-T", "pdml"],
                          capture_output=True, check=True).stdout
    messages = []
    for packet in ElementTree.fromstring(pdml):
        frame = int(packet.find("proto[@name='geninfo']/field[@name='num']").get("show"))
        for proto in packet.findall("proto[@name='vexal']"):
            shown = lambda element, name: element.find(f".//field[@name='{name}']")
            if shown(proto, "vexal.skipped") is not None:
                continue
            refusal = shown(proto, "vexal.refusal")
            if refusal is not None:
                messages.append((frame, {"refused": refusal.get("show")}))
                continue
            parts = []
            for item in proto.findall("field[@name='vexal.part']"):
                value = lambda name: shown(item, name).get("show") if shown(item, name) is not None else None
                parts.append({"type": int(value("vexal.type")), "format": int(value("vexal.format")),
                              "compression": value("vexal.compression"),
                              "stored": int(value("vexal.stored_length")),
                              "payload": int(value("vexal.payload_length")), "level": value("vexal.level_hint")})
            messages.append((frame, {"length": int(shown(proto, "vexal.message_length").get("show")),
                                     "parts": parts}))
    return messages


# zlib's refusals of a stream's header, which the dissector names in zlib's
# words; any other zlib refusal it gives as DAMAGED, and a stream cut short
# may be cut in its header or later.
HEADER_FAULTS = ("[-3]: incorrect header check", "[-3]: unknown compression method",
                 "[-3]: invalid window size", "[2]: ")
DAMAGED = re.compile(r"Failed zlib::inflate: the stream is damaged, cut short or fails its check "
                     r"\(Wireshark inflated \d+ bytes and names no fault\)")


def same(want, got):
    if want == got:
        return True
    refused, dissected = (want or {}).get("refused", ""), (got or {}).get("refused", "")
    fault = refused.removeprefix("Failed zlib::inflate ")
    return fault != refused and fault not in HEADER_FAULTS and bool(DAMAGED.fullmatch(dissected))


def check_case(work, name, transport, stream, cuts, claim, limits):
    bounds = [0, *cuts, len(stream)]
    units = [stream[a:b] for a, b in zip(bounds, bounds[1:])]
    open(f"{work}/stream.vexal", "wb").write(stream)
    open(f"{work}/capture.pcap", "wb").write(pcap(units, transport))
    # Each whole message belongs to the frame that holds its last byte.
    want = [(end and next(i + 1 for i, b in enumerate(bounds[1:]) if b >= end), report)
            for end, report in expected(f"{work}/stream.vexal", limits)]
    got = dissected(f"{work}/capture.pcap", transport, claim, limits)
    got = [(frame if "length" in report else None, report) for frame, report in got]
    pairs = [[entry[index] if index < len(entry) else (None, None) for entry in (want, got)]
             for index in range(max(len(got), len(want)))]
    matches = [a[0] == b[0] and same(a[1], b[1]) for a, b in pairs]
    if all(matches):
        return True
    for match, (a, b) in zip(matches, pairs):
        print(f"  {'ok' if match else '!='} inspect {a}\n     tshark  {b}")
    return False


def check_readme(work):
    """The tshark example of docs/wireshark.md prints what the page says it prints."""
    section = open(os.path.join(ROOT, "docs", "wireshark.md")).read().split("## An example", 1)[1]
    command, output = re.search(r"```sh\n(.*?)```\n.*?```text\n(.*?)```", section, re.S).groups()
    for folder in ("examples", "tools"):
        os.symlink(os.path.join(ROOT, folder), os.path.join(work, folder))
    done = subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=work, capture_output=True, text=True)
    if done.stdout == output:
        return True
    print(f"--- docs/wireshark.md\n{output}--- printed\n{done.stdout}{done.stderr}")
    return False


results = []
for case in CASES:
    with tempfile.TemporaryDirectory() as work:
        results.append(check_case(work, *case))
        print(f"{'ok' if results[-1] else 'FAILED'}: {case[0]}")
with tempfile.TemporaryDirectory() as work:
    results.append(check_readme(work))
    print(f"{'ok' if results[-1] else 'FAILED'}: docs/wireshark.md example")
print(f"{results.count(True)} passed, {results.count(False)} failed")
sys.exit(0 if all(results) else 1)
