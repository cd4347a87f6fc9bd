#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Doxygen's input filter for the pages of docs/: the pages are written for
# GitHub, where every heading has an anchor made from its text, and Doxygen
# 1.9 knows only the labels written after a heading as {#label}. So this
# gives every heading below a page's title the label PAGE-ANCHOR (the page's
# file name and GitHub's anchor, so labels stay unique across pages) and
# points each link to a heading, on the same page or another, at that
# label. A link that leaves docs/ (a header, the README, the license) keeps
# only its text, where Doxygen links a header's name to its reference
# itself. Code blocks pass unchanged. Prints the filtered page.
# Usage: md_for_doxygen.py PAGE.md
import os, re, sys

FENCE = re.compile(r"(^```.*?^```[^\n]*$)", re.S | re.M)
HEADING = re.compile(r"^(#{2,6})[ \t]+(.*?)[ \t]*$", re.M)
LINK = re.compile(r"\[((?:[^\[\]]|\[[^\]]*\])*)\]\(([^)\s]*)\)")


def anchor(heading):
    """GitHub's anchor for a heading's text."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = re.sub(r"<[^>]+>", "", text).replace("`", "").lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def page_name(path):
    return os.path.splitext(os.path.basename(path))[0]


seen = {}  # the headings of the page so far, for GitHub's numbering of repeats


def labelled(text, page):
    """Each heading below the title with its label; repeats numbered as on GitHub."""

    def label(found):
        if "{#" in found[2]:
            return found[0]
        name = anchor(found[2])
        count = seen.get(name, 0)
        seen[name] = count + 1
        return f"{found[1]} {found[2]} {{#{page}-{name}{f'-{count}' if count else ''}}}"

    return HEADING.sub(label, text)


def relinked(text, page):
    def link(found):
        words, target = found[1], found[2]
        if re.match(r"[a-z][a-z0-9+.-]*:", target):
            return found[0]  # another site
        path, _, name = target.partition("#")
        if path.startswith("../"):
            return words  # outside docs/: Doxygen links a header's name itself
        if name:
            return f"[{words}](#{page_name(path) if path else page}-{name})"
        return found[0]

    return LINK.sub(link, text)


page = page_name(sys.argv[1])
parts = FENCE.split(open(sys.argv[1], encoding="utf-8").read())
# Odd parts are code blocks, which pass as they are.
sys.stdout.write("".join(part if index % 2 else relinked(labelled(part, page), page)
                         for index, part in enumerate(parts)))
