#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Builds and runs every ```cpp, ```c, ```python and ```javascript block of
# README.md and docs/*.md. A C++ or C block without main() is a taste: its
# `#` lines go first and the rest becomes the body of main(). A C++ block
# without try/catch/throw is also built with -fno-exceptions. A C block is
# compiled as C99 with -pedantic and warnings as errors, and linked by the
# C++ compiler, which also links the runtime that a sanitized library needs.
# A javascript block runs with node where the Node package is built (its
# folder in VEXAL_NODE_PATH) and is reported as skipped otherwise. Each runs
# on a stream with bad messages between good ones; one that prints
# "N messages" must count the good ones. `<!-- readme-test: CODE -->` just
# before a block puts CODE in front of it. Every block that is not run is
# counted by language at the end.
# Usage: readme_snippets.py ROOT CXX CXXFLAGS CC CFLAGS INCLUDES LIBRARY
#        [PYTHON PATH]
import collections, glob, os, re, subprocess, sys, tempfile, zlib

root, cxx, flags, cc, cflags, includes, library, python, path = (sys.argv + ["", ""])[1:10]
node_path = os.environ.get("VEXAL_NODE_PATH", "")


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
BLOCK = re.compile(r"(?:<!-- readme-test: (.*?) -->\n)?^```(\w*)\n(.*?)^```", re.S | re.M)


def as_program(code):
    """A taste becomes a whole program: its # lines first, the rest in main()."""
    if "main(" in code:
        return code
    lines = code.splitlines()
    return "\n".join([l for l in lines if l.startswith("#")] + ["int main(void) {"] +
                     [l for l in lines if not l.startswith("#")] + ["}", ""])


def builds(block, language, code, work):
    """The commands that run one block, after building it; [] when it is not run."""
    if language == "cpp":
        open(f"{work}/{block}.cpp", "w").write(as_program(code).replace("int main(void)", "int main()"))
        runs = []
        for extra in [[]] + [["-fno-exceptions"]] * (not re.search(r"\b(try|catch|throw)\b", code)):
            runs.append([f"{work}/{block}{extra and '-noexcept' or ''}"])
            subprocess.run([cxx, *flags.split(), "-std=c++17", "-Wall", "-Werror", *extra,
                            *("-I" + d for d in includes.split(":")), f"{work}/{block}.cpp", library,
                            "-lz", "-Wl,-rpath," + os.path.dirname(library), "-o", runs[-1][0]],
                           check=True)
        return runs
    if language == "c":
        open(f"{work}/{block}.c", "w").write(as_program(code))
        subprocess.run([cc, *cflags.split(), "-std=c99", "-pedantic", "-Wall", "-Wextra", "-Werror",
                        *("-I" + d for d in includes.split(":")), "-c", f"{work}/{block}.c",
                        "-o", f"{work}/{block}.o"], check=True)
        subprocess.run([cxx, *flags.split(), f"{work}/{block}.o", library,
                        "-Wl,-rpath," + os.path.dirname(library), "-o", f"{work}/{block}-c"], check=True)
        return [[f"{work}/{block}-c"]]
    if language == "python" and python:
        return [[python, "-c", code]]
    if language == "javascript" and node_path:
        return [["node", "-e", code]]
    return []


pages = [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
failed, counted_without_exceptions = False, 0
ran, skipped = collections.Counter(), collections.Counter()
with tempfile.TemporaryDirectory() as work:
    for page in pages:
        text = open(page, encoding="utf-8").read()
        for found in BLOCK.finditer(text):
            preamble, language, code = found.groups()
            where = f"{os.path.relpath(page, root)}:{text.count(chr(10), 0, found.start(2)) + 1}"
            number = sum(ran.values()) + sum(skipped.values())
            runs = builds(number, language, (preamble or "") + "\n" + code, work)
            (ran if runs else skipped)[language or "untagged"] += 1
            for command in runs:
                env = dict(os.environ, PYTHONPATH=path, NODE_PATH=node_path)
                done = subprocess.run(command, input=STREAM, capture_output=True, env=env)
                counted = re.search(rb"(\d+) messages", done.stdout)
                counted_without_exceptions += bool(counted) and command[0].endswith("-noexcept")
                if done.returncode or (counted and int(counted[1]) != GOOD):
                    failed = True
                    print(f"{where}, {command[0]}:", done.stdout.decode(), done.stderr.decode()[-2000:])
print("ran:", ", ".join(f"{count} {language}" for language, count in sorted(ran.items())))
print("not run:", ", ".join(f"{count} {language}" for language, count in sorted(skipped.items())))
if skipped["python"]:
    print(f"skipped {skipped['python']} python blocks: the Python package is not built")
if skipped["javascript"]:
    print(f"skipped {skipped['javascript']} javascript blocks: the Node package is not built "
          "(VEXAL_NODE_PATH is not set)")
# The reading loop users copy must work without exceptions.
sys.exit(failed or not counted_without_exceptions)
