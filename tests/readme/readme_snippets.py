#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Builds and runs every ```cpp and ```python block of the README, so that
what users copy keeps working. A C++ block without main() becomes the body
of one; a block without try, catch or throw is also built with
-fno-exceptions. Each program gets on its standard input a stream with bad
messages between good ones; one that prints "N messages" must count the
good ones. An HTML comment `<!-- readme-test: CODE -->` just before a block
puts CODE in front of it.

Usage: readme_snippets.py README CXX CXXFLAGS INCLUDE_DIRS LIBRARY
                          [PYTHON PYTHONPATH]
(Python blocks are left out without a PYTHON.)
"""
import os, re, subprocess, sys, tempfile, zlib

readme, cxx, cxxflags, includes, library, python, pythonpath = (
    sys.argv + ["", ""])[1:8]


def part(type_code, stored, compressed=0, format_code=3):
    return bytes([type_code, format_code, compressed, 0]) + \
        len(stored).to_bytes(4, "big") + stored


def message(first, second=b"", compressed=0):
    return part(1, first, compressed) + part(2, second)


# Three good messages (one over 64 KiB), a malformed one, a payload that
# inflates past the default limit, and a header whose message never ends.
GOOD = 3
STREAM = (message(b"hi") + part(1, b"x", format_code=9) + part(2, b"") +
          message(zlib.compress(bytes(65 << 20)), compressed=1) +
          message(b"x" * 70000, b"y") + message(b"ok") +
          bytes([1, 3, 0, 0, 255, 255, 255, 255]))
BLOCKS = re.compile(r"(?:<!-- readme-test: (.*?) -->\n)?```(cpp|python)\n(.*?)```",
                    re.S)

failures = 0
with tempfile.TemporaryDirectory() as work:
    for number, (preamble, language, code) in enumerate(
            BLOCKS.findall(open(readme).read())):
        code = (preamble or "") + "\n" + code
        runs = [[python, "-c", code]] if python else []
        if language == "cpp":
            if "main(" not in code:
                heads = [l for l in code.splitlines() if l.startswith("#")]
                body = [l for l in code.splitlines() if not l.startswith("#")]
                code = "\n".join(heads + ["int main() {"] + body + ["}"])
            source = os.path.join(work, f"block{number}.cpp")
            open(source, "w").write(code)
            runs = []
            flags = [[]] + ([["-fno-exceptions"]]
                            if not re.search(r"\b(try|catch|throw)\b", code) else [])
            for extra in flags:
                program = os.path.join(work, f"block{number}{len(extra)}")
                subprocess.run([cxx, *cxxflags.split(), "-std=c++17", "-Wall",
                                "-Werror", *extra,
                                *["-I" + d for d in includes.split(":")], source,
                                library, "-lz",
                                "-Wl,-rpath," + os.path.dirname(library),
                                "-o", program], check=True)
                runs.append([program])
        for command in runs:
            done = subprocess.run(command, input=STREAM, capture_output=True,
                                  env=dict(os.environ, PYTHONPATH=pythonpath))
            counted = re.search(rb"(\d+) messages", done.stdout)
            if done.returncode or (counted and int(counted[1]) != GOOD):
                failures += 1
                print(f"README block {number} ({language}), {command}:",
                      done.stdout.decode(), done.stderr.decode()[-2000:])
sys.exit(1 if failures else 0)
