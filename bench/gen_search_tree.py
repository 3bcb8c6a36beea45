#!/usr/bin/env python3
"""A tree for measuring what the duplicate search reads: many small files with exact copies and
same-size near copies (one byte changed at the start, the middle or the end), families of same-size
files that share a long prefix, a few very common sizes, and some large files with copies and near
copies. Deterministic for a given seed.

Usage: bench/gen_search_tree.py ROOT [--files 100000] [--large 24] [--large-mib 32] [--seed 7]
Then:  /usr/bin/time zwillingsfeger-cli --stats ROOT > /dev/null
"""

import argparse
import random
from pathlib import Path

MIB = 1024 * 1024
COMMON_SIZES = [512, 1024, 2048, 4096, 8192]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def changed(rng, data):
    """The same bytes with one byte changed: at the start, in the middle or at the end."""
    if not data:
        return data
    d = bytearray(data)
    at = rng.choice([0, len(d) // 2, len(d) - 1])
    d[at] ^= 1 + rng.randrange(255)
    return bytes(d)


def small_files(root, count, rng):
    pool = []
    prefixes = {}
    per_folder = 100
    for i in range(count):
        folder = root / f"d{i // (per_folder * 10):04d}" / f"s{(i // per_folder) % 10}"
        if i % per_folder == 0:
            folder.mkdir(parents=True, exist_ok=True)
        r = rng.random()
        if r < 0.01:
            data = b""
        elif r < 0.21 and pool:
            data = rng.choice(pool)
        elif r < 0.41 and pool:
            data = changed(rng, rng.choice(pool))
        elif r < 0.51:
            # Logs, pages, records: one size per family, a long shared prefix, a different tail.
            family = rng.randrange(200)
            size = 2048 + family * 97
            if family not in prefixes:
                prefixes[family] = rng.randbytes(size - 24)
            data = prefixes[family] + rng.randbytes(24)
        else:
            if rng.random() < 0.3:
                size = rng.choice(COMMON_SIZES)
            else:
                size = min(int(rng.expovariate(1 / 3000)) + 1, 256 * 1024)
            data = rng.randbytes(size)
            pool.append(data)
            if len(pool) > 5000:
                pool.pop(rng.randrange(len(pool)))
        write(folder / f"f{i:06d}.dat", data)


def large_files(root, count, size, rng):
    folder = root / "large"
    folder.mkdir(parents=True, exist_ok=True)
    originals = []
    for i in range(count):
        kind = i % 4
        if kind == 0 or not originals:
            data = rng.randbytes(size + rng.randrange(3) * MIB)
            originals.append(data)
        elif kind == 1:
            data = originals[-1]
        else:
            data = changed(rng, originals[-1])
        write(folder / f"big{i:03d}.bin", data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", type=Path)
    parser.add_argument("--files", type=int, default=100_000)
    parser.add_argument("--large", type=int, default=24)
    parser.add_argument("--large-mib", type=int, default=32)
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    args.root.mkdir(parents=True, exist_ok=True)
    small_files(args.root / "small", args.files, rng)
    large_files(args.root, args.large, args.large_mib * MIB, rng)


if __name__ == "__main__":
    main()
