# SPDX-License-Identifier: MIT
"""Reads the JSON that vexal_bench writes into one record per benchmark.

Shared by bench/report and bench/chart. Names read
<operation>/<compression>/<payload kind>/<bytes per part>; each record keeps
the median over repetitions (or the single run when there was one) and the
record of the limit that the operation is measured against.
"""

import json
import sys
from dataclasses import dataclass

LIMITS = {
    ("compose", "none"): "limit_copy",
    ("parse", "none"): "limit_copy",
    ("view", "none"): "limit_copy",
    ("flatbuffers", "none"): "limit_copy",
    ("compose", "zlib"): "limit_compress2",
    ("parse", "zlib"): "limit_uncompress",
    ("view", "zlib"): "limit_uncompress",
}


@dataclass
class Record:
    operation: str
    compression: str
    kind: str
    part_size: int
    cpu_ns: float  # CPU time per operation
    bytes_per_second: float
    counters: dict
    limit: "Record | None" = None

    @property
    def ratio(self):
        """Time per operation over the limit's, measured in the same run."""
        if self.limit is None or self.limit.cpu_ns == 0:
            return None
        return self.cpu_ns / self.limit.cpu_ns


def _nanoseconds(entry):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry["time_unit"]]
    return entry["cpu_time"] * scale


def load(path):
    """Returns (context, records) from a vexal_bench JSON file."""
    with open(path, encoding="utf-8") as file:
        data = json.load(file)
    chosen = {}
    for entry in data["benchmarks"]:
        if entry.get("error_occurred"):
            raise SystemExit(f"{entry['name']}: {entry.get('error_message')}")
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") != "median":
                continue
        elif entry.get("repetitions", 1) > 1:
            continue  # a single repetition of an aggregated benchmark
        chosen[entry["run_name"]] = entry

    records = {}
    for name, entry in chosen.items():
        # Fixed settings may add suffixes such as /iterations:1.
        operation, compression, kind, part_size = name.split("/")[:4]
        records[name] = Record(
            operation, compression, kind, int(part_size), _nanoseconds(entry),
            entry.get("bytes_per_second", 0.0),
            {k: v for k, v in entry.items()
             if k in ("allocs", "peak_ratio", "peak_bytes", "input_bytes",
                      "capacity_after")})

    for record in records.values():
        family = "none" if record.compression == "none" else "zlib"
        limit = LIMITS.get((record.operation.split("_")[0], family))
        if limit and not record.operation.startswith(("limit", "peak")):
            record.limit = records.get(
                f"{limit}/{record.compression}/{record.kind}/{record.part_size}")
    return data["context"], sorted(records.values(), key=_table_order)


COMPRESSIONS = ("none", "zlib_best_speed", "zlib_default",
                "zlib_best_compression")
KINDS = ("text", "random")
OPERATIONS = ("compose", "compose_into", "parse", "parse_into")


def _table_order(record):
    """Compression, then payload kind, size and operation, as registered;
    limits and peak-heap runs after the operations."""
    def rank(values, value):
        return values.index(value) if value in values else len(values)
    return (rank(COMPRESSIONS, record.compression), rank(KINDS, record.kind),
            record.part_size, rank(OPERATIONS, record.operation),
            record.operation)


def size_text(size):
    """16777216 -> '16 MiB', 100 -> '100 B'."""
    for unit, scale in (("MiB", 1 << 20), ("KiB", 1 << 10)):
        if size >= scale and size % scale == 0:
            return f"{size // scale} {unit}"
    return f"{size} B"


def merge(into, *others):
    """Appends the benchmarks of the other JSON files to those of `into`."""
    with open(into, encoding="utf-8") as file:
        data = json.load(file)
    for other in others:
        with open(other, encoding="utf-8") as file:
            data["benchmarks"] += json.load(file)["benchmarks"]
    with open(into, "w", encoding="utf-8") as file:
        json.dump(data, file, indent=2)


if __name__ == "__main__":
    if len(sys.argv) < 4 or sys.argv[1] != "merge":
        raise SystemExit("Usage: bench/results.py merge INTO.json OTHER.json...")
    merge(*sys.argv[2:])
