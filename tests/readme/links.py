#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Checks every relative link of README.md and docs/*.md: the file or folder
# it names exists, and an anchor (`page.md#section`, `#section`) names a
# heading of that page as GitHub renders it: the heading's text in lower
# case, without its markup and punctuation, spaces as hyphens, and -1, -2 ...
# after a repeated one. Links to other sites are left alone; nothing inside
# a code block or a code span is a link.
# Usage: links.py ROOT
import glob, os, re, sys

FENCE = re.compile(r"^```.*?^```[^\n]*$", re.S | re.M)
CODE_SPAN = re.compile(r"(`+).*?\1", re.S)
LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$", re.M)


def anchor(heading):
    """GitHub's anchor for a heading's text."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # a link keeps its text
    text = re.sub(r"<[^>]+>", "", text).replace("`", "").lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def anchors(text):
    seen, found = {}, set()
    for _, heading in HEADING.findall(FENCE.sub("", text)):
        name = anchor(heading)
        found.add(name if name not in seen else f"{name}-{seen[name]}")
        seen[name] = seen.get(name, 0) + 1
    return found


checked = 0


def dead_links(root):
    global checked
    pages = [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
    texts = {os.path.realpath(page): open(page, encoding="utf-8").read() for page in pages}
    for page, text in list(texts.items()):
        prose = CODE_SPAN.sub("", FENCE.sub(lambda block: "\n" * block[0].count("\n"), text))
        for found in LINK.finditer(prose):
            target = found[1]
            if re.match(r"[a-z][a-z0-9+.-]*:", target) or not target:
                continue  # another site, or mail
            path, _, name = target.partition("#")
            goal = os.path.realpath(os.path.join(os.path.dirname(page), path)) if path else page
            checked += 1
            line = prose.count("\n", 0, found.start()) + 1
            where = f"{os.path.relpath(page, root)}:{line}: {target}"
            if not os.path.exists(goal):
                yield f"{where}: no such file"
            elif name and goal.endswith(".md"):
                if goal not in texts:
                    texts[goal] = open(goal, encoding="utf-8").read()
                if name not in anchors(texts[goal]):
                    yield f"{where}: no such heading in {os.path.relpath(goal, root)}"


dead = list(dead_links(sys.argv[1]))
print("\n".join(dead) or f"{checked} relative links: each leads somewhere")
sys.exit(1 if dead else 0)
