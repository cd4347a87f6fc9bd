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
# Usage: bench/wireshark_bench.py [REPETITIONS, default 5]
import os
import resource
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests/wireshark"))
from capture import PORT, message, pcap  # noqa: E402

DISSECTOR = os.path.join(ROOT, "tools/wireshark/vexal.lua")
MESSAGES, SEGMENT = 100_000, 1400


def cpu_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


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


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    payloads = bytes(range(100)), bytes(range(100, 200))
    print(f"load average: {os.getloadavg()[0]:.1f}; {MESSAGES:,} messages, {SEGMENT}-byte segments, "
          f"median of {repetitions} runs")
    print("| payloads | segments | tshark without | with the dissector | ratio |")
    print("|---|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as work:
        measure("2 × 100 B, stored as is", message(*payloads), repetitions, work)
        measure("2 × 100 B, zlib streams", message(*payloads, levels=(6, 6)), repetitions, work)


main()
