#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# What the Wireshark dissector (tools/wireshark/vexal.lua) costs tshark: a
# pcap of one TCP stream of 100,000 messages of two 100-byte payloads, cut
# into 1,400-byte segments, read by `tshark -r` with the dissector applied
# (`-d tcp.port==...,vexal`) and without it (loaded, the port not given to
# it, so TCP reassembles nothing and the payloads stay undecoded data). It
# prints each run's CPU time (tshark's user + system time, so that waiting
# for other jobs does not count) as a median of REPETITIONS runs taken in
# turns, and their ratio; the target is at most 3. A second row does the
# same with both payloads stored as zlib streams.
#
# Then hostile captures, each one TCP stream of 5 messages whose first part
# is a zlib stream of 60 MiB of zeros in about 61 KB: valid, with each
# stream's Adler-32 damaged, and with each stream damaged halfway. Each is
# read once with the dissector, and the valid one once more with a dissector
# written here that only frames the messages and has Wireshark inflate each
# stream (what any dissector that shows the payload pays). It prints CPU time
# and peak memory (maximum resident set) of each run, and the ratios: the
# targets are at most 1.3 for the valid capture against the inflating-only
# dissector, and at most 1.5 (time) and 1.25 (memory) for the damaged
# captures against the valid one.
#
# Usage: bench/wireshark_bench.py [REPETITIONS, default 5 [HOSTILE_REPETITIONS, default 1]]
import os
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests/wireshark"))
from capture import PORT, message, part, pcap, zeros_stream  # noqa: E402

DISSECTOR = os.path.join(ROOT, "tools/wireshark/vexal.lua")
MESSAGES, SEGMENT = 100_000, 1400


def run(command):
    """tshark's CPU time (user + system, so that waiting for other jobs does
    not count) and peak resident memory in bytes, for this run alone."""
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        raise SystemExit(f"{command} failed with status {status}")
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024


def cpu_seconds(command):
    return run(command)[0]


def measure(name, one, repetitions, work):
    stream = one * MESSAGES
    path = os.path.join(work, "capture.pcap")
    with open(path, "wb") as out:
        out.write(pcap([stream[at:at + SEGMENT] for at in range(0, len(stream), SEGMENT)], "tcp"))
    without = ["tshark", "-r", path, "-X", f"lua_script:{DISSECTOR}"]
    applied = without + ["-d", f"tcp.port=={PORT},vexal"]
    times = {"without": [], "with": []}
    for _ in range(repetitions):
        times["without"].append(cpu_seconds(without))
        times["with"].append(cpu_seconds(applied))
    base, cost = (statistics.median(times[key]) for key in ("without", "with"))
    print(f"| {name} | {len(stream) // SEGMENT + 1:,} | {base:.2f} s | {cost:.2f} s | {cost / base:.2f} |")


# A dissector that frames vexal messages over TCP and has Wireshark inflate
# each zlib part, and nothing else: the floor for showing the payloads.
INFLATE_ONLY = """
local proto = Proto("vexal_inflate", "vexal, inflating only")
function proto.dissector(tvb, pinfo)
  local offset, length = 0, tvb:len()
  while offset < length do
    local size = 16
    if length - offset >= 8 then size = 16 + tvb(offset + 4, 4):uint() end
    if length - offset >= size then size = size + tvb(offset + size - 4, 4):uint() end
    if length - offset < size then
      pinfo.desegment_offset, pinfo.desegment_len = offset, size - (length - offset)
      return length
    end
    for _, at in ipairs({ offset, offset + 8 + tvb(offset + 4, 4):uint() }) do
      if tvb(at + 2, 1):uint() == 1 then tvb(at + 8, tvb(at + 4, 4):uint()):uncompress("Inflated") end
    end
    offset = offset + size
  end
  return length
end
DissectorTable.get("tcp.port"):add_for_decode_as(proto)
"""
HOSTILE_MESSAGES, HOSTILE_PAYLOAD = 5, 60 << 20


def hostile(repetitions, work):
    inflate_only = os.path.join(work, "inflate_only.lua")
    with open(inflate_only, "w") as out:
        out.write(INFLATE_ONLY)
    runs = {}
    for damage in (None, "check", "middle"):
        stream = part(1, zeros_stream(HOSTILE_PAYLOAD, damage), 1) + part(2, b"")
        stream *= HOSTILE_MESSAGES
        path = os.path.join(work, f"hostile-{damage}.pcap")
        with open(path, "wb") as out:
            out.write(pcap([stream[at:at + SEGMENT] for at in range(0, len(stream), SEGMENT)], "tcp"))
        runs[damage] = ["tshark", "-r", path, "-X", f"lua_script:{DISSECTOR}", "-d", f"tcp.port=={PORT},vexal"]
        if damage is None:
            runs["inflate only"] = ["tshark", "-r", path, "-X", f"lua_script:{inflate_only}",
                                    "-d", f"tcp.port=={PORT},vexal_inflate"]
    results = {name: [] for name in runs}
    for _ in range(repetitions):
        for name, command in runs.items():
            results[name].append(run(command))
    cost = {name: tuple(statistics.median(r[i] for r in results[name]) for i in (0, 1)) for name in results}
    print(f"\n{HOSTILE_MESSAGES} messages, each a zlib stream of {HOSTILE_PAYLOAD >> 20} MiB of zeros in "
          f"{len(zeros_stream(HOSTILE_PAYLOAD)):,} bytes, {SEGMENT}-byte segments, median of {repetitions} runs")
    print("| capture, dissector | CPU time | peak memory | time ratio | memory ratio |")
    print("|---|---:|---:|---:|---:|")
    rows = [("valid, inflating only", "inflate only", "inflate only"),
            ("valid, vexal.lua", None, "inflate only"),
            ("Adler-32 damaged, vexal.lua", "check", None),
            ("damaged halfway, vexal.lua", "middle", None)]
    for label, name, against in rows:
        (seconds, peak), (base_seconds, base_peak) = cost[name], cost[against]
        print(f"| {label} | {seconds:.2f} s | {peak / 1e6:,.0f} MB | {seconds / base_seconds:.2f} | "
              f"{peak / base_peak:.2f} |")


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    hostile_repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    payloads = bytes(range(100)), bytes(range(100, 200))
    print(f"load average: {os.getloadavg()[0]:.1f}; {MESSAGES:,} messages, {SEGMENT}-byte segments, "
          f"median of {repetitions} runs")
    print("| payloads | segments | tshark without | with the dissector | ratio |")
    print("|---|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as work:
        measure("2 × 100 B, stored as is", message(*payloads), repetitions, work)
        measure("2 × 100 B, zlib streams", message(*payloads, levels=(6, 6)), repetitions, work)
        hostile(hostile_repetitions, work)


main()
