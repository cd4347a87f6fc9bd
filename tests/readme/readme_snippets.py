#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Builds and runs every ```cpp, ```c and ```python block of the README. A C++
# block without main() becomes the body of one; one without try/catch/throw is
# also built with -fno-exceptions. A C block is compiled as C99 with -pedantic
# and warnings as errors, and linked by the C++ compiler, which also links
# the runtime that a sanitized library needs. Each runs on a stream with bad
# messages between good ones; one that prints "N messages" must count the
# good ones. `<!-- readme-test: CODE -->` just before a block puts CODE in
# front of it.
# Usage: readme_snippets.py README CXX CXXFLAGS CC CFLAGS INCLUDES LIBRARY
#        [PYTHON PATH]
import os, re, subprocess, sys, tempfile, zlib

readme, cxx, flags, cc, cflags, includes, library, python, path = (sys.argv + ["", ""])[1:10]


def part(type_code, stored, compressed=0, format_code=3):
    return bytes([type_code, format_code, compressed, 0, *len(stored).to_bytes(4, "big")]) + stored


def message(first, second=b"", compressed=0):
    return part(1, first, compressed) + part(2, second)


# Three good messages (one over 64 KiB), a malformed one, a payload that
# inflates past the default limit, and a header whose message never ends.
GOOD = 3
STREAM = (message(b"hi") + part(1, b"x", format_code=9) + part(2, b"") +
          message(zlib.compress(bytes(65 << 20)), compressed=1) +
          message(b"x" * 70000, b"y") + message(b"ok") + part(1, b"")[:4] + b"\xff" * 4)
BLOCK = re.compile(r"(?:<!-- readme-test: (.*?) -->\n)?```(cpp|c|python)\n(.*?)```", re.S)

failed, counted_without_exceptions = False, 0
with tempfile.TemporaryDirectory() as work:
    for number, (preamble, language, code) in enumerate(BLOCK.findall(open(readme).read())):
        code, runs = preamble + "\n" + code, [[python, "-c", preamble + "\n" + code]] if python else []
        if language == "cpp":
            if "main(" not in code:
                lines = code.splitlines()
                code = "\n".join([l for l in lines if l.startswith("#")] + ["int main() {"] +
                                 [l for l in lines if not l.startswith("#")] + ["}"])
            open(f"{work}/{number}.cpp", "w").write(code)
            runs = []
            for extra in [[]] + [["-fno-exceptions"]] * (not re.search(r"\b(try|catch|throw)\b", code)):
                runs.append([f"{work}/{number}{extra and '-noexcept' or ''}"])
                subprocess.run([cxx, *flags.split(), "-std=c++17", "-Wall", "-Werror", *extra,
                                *("-I" + d for d in includes.split(":")), f"{work}/{number}.cpp", library,
                                "-lz", "-Wl,-rpath," + os.path.dirname(library), "-o", runs[-1][0]],
                               check=True)
        if language == "c":
            open(f"{work}/{number}.c", "w").write(code)
            runs = [[f"{work}/{number}-c"]]
            subprocess.run([cc, *cflags.split(), "-std=c99", "-pedantic", "-Wall", "-Wextra", "-Werror",
                            *("-I" + d for d in includes.split(":")), "-c", f"{work}/{number}.c",
                            "-o", f"{work}/{number}.o"], check=True)
            subprocess.run([cxx, *flags.split(), f"{work}/{number}.o", library,
                            "-Wl,-rpath," + os.path.dirname(library), "-o", runs[0][0]], check=True)
        for command in runs:
            done = subprocess.run(command, input=STREAM, capture_output=True, env=dict(os.environ, PYTHONPATH=path))
            counted = re.search(rb"(\d+) messages", done.stdout)
            counted_without_exceptions += bool(counted) and command[0].endswith("-noexcept")
            if done.returncode or (counted and int(counted[1]) != GOOD):
                failed = True
                print(f"README block {number}, {command}:", done.stdout.decode(), done.stderr.decode()[-2000:])
# The reading loop users copy must work without exceptions.
sys.exit(failed or not counted_without_exceptions)
