# SPDX-License-Identifier: MIT
"""Draws vexal_bench results as a PNG: throughput against bytes per part,
libvexal beside its limits, one panel per operation and compression.

Run through bench/chart, which installs matplotlib when it is missing.
Usage: bench/chart [RESULTS.json [OUTPUT.png]]
(defaults: build/bench/results.json, docs/performance.png)
"""

import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.ticker import FixedLocator, NullLocator  # noqa: E402

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from results import COMPRESSIONS, load, size_text  # noqa: E402

ROWS = (("compose", "compose_into"), ("parse", "parse_into"))
KIND_COLOURS = {"text": "tab:blue", "random": "tab:orange"}
LINES = {  # suffix of the operation -> (label, style)
    "": ("libvexal, fresh output", "-"),
    "_into": ("libvexal, reused output", "--"),
    "limit": ("limit", ":"),
}


def series(records, operation, compression, kind):
    points = sorted((r.part_size, r.bytes_per_second) for r in records
                    if r.operation == operation and r.compression == compression
                    and r.kind == kind and r.part_size > 0)
    return [p[0] for p in points], [p[1] / 1e6 for p in points]


def draw(records, context, output):
    figure, axes = plt.subplots(2, 4, figsize=(18, 8.5), sharex=True)
    for row, (fresh, reused) in enumerate(ROWS):
        for column, compression in enumerate(COMPRESSIONS):
            axis = axes[row][column]
            by_name = {r.operation: r for r in records
                       if r.compression == compression}
            limit = next((r.limit.operation for r in records
                          if r.operation == fresh and r.limit
                          and r.compression == compression), None)
            for kind, colour in KIND_COLOURS.items():
                for operation, suffix in ((fresh, ""), (reused, "_into"),
                                          (limit, "limit")):
                    if operation is None or operation not in by_name:
                        continue
                    x, y = series(records, operation, compression, kind)
                    label, style = LINES[suffix]
                    axis.plot(x, y, style, color=colour, marker="o",
                              markersize=3, linewidth=1.6,
                              label=f"{label}, {kind} bytes")
            axis.set_xscale("log", base=2)
            axis.set_yscale("log")
            sizes = sorted({r.part_size for r in records if r.part_size > 0
                            and r.compression == compression})
            axis.xaxis.set_major_locator(FixedLocator(sizes))
            axis.xaxis.set_minor_locator(NullLocator())
            axis.set_xticklabels([size_text(s) for s in sizes], rotation=45)
            axis.grid(True, which="both", alpha=0.3)
            axis.set_title(f"{fresh}, {compression}", fontsize=11)
            if column == 0:
                axis.set_ylabel("payload MB/s (CPU time)")
            if row == 1:
                axis.set_xlabel("bytes per part (two parts per message)")
    handles, labels = axes[0][0].get_legend_handles_labels()
    figure.legend(handles, labels, loc="lower center", ncol=6, fontsize=9)
    figure.suptitle(
        "libvexal beside its limits (vector copy of the message for raw "
        "parts, zlib compress2 / uncompress for compressed parts)\n"
        f"{context['num_cpus']} CPUs, {context.get('compiler')}, "
        f"zlib {context.get('zlib')}, medians of repetitions, CPU time",
        fontsize=11)
    figure.tight_layout(rect=(0, 0.05, 1, 0.94))
    figure.savefig(output, dpi=110)


def main():
    if len(sys.argv) > 3:
        raise SystemExit(__doc__.strip())
    arguments = sys.argv[1:] + ["build/bench/results.json",
                                "docs/performance.png"][len(sys.argv) - 1:]
    results, output = arguments
    context, records = load(results)
    draw(records, context, output)
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
