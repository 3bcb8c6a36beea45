#!/usr/bin/env python3
"""Stress test: files replaced while zwillingsfeger-cli searches them must never form a false group.

The tree holds pairs a/b of one size (more files than the search holds open at once, so files are closed
and opened again by path). Every b has two versions and neither ever equals its a: version 1 differs from
a only in its last KiB, version 2 only in its first KiB, so a search that read the first stretch of
version 1 and the rest of version 2 would see a's bytes. Other programs (writers) keep replacing every b
by its other version with an atomic save (write a temporary file, rename it over the name) while the
command line searches the tree again and again. Pairs c/d are equal and never change.

Every run's groups are checked: a group that holds a b is false (no b ever equals anything), every c/d
pair must be found, and the members of every group must be equal byte for byte. Not a test of CI: it
runs for about a minute.

Usage: bench/stress_changes.py [--runs 40] [--pairs 150] [--writers 2] [--work /tmp/zw-stress]
"""

import argparse
import collections
import multiprocessing
import os
import random
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
KIB = 1024


def make_tree(root, pairs, size, seed=7):
    rng = random.Random(seed)
    (root / "ab").mkdir(parents=True)
    (root / "cd").mkdir(parents=True)
    versions = []
    for i in range(pairs):
        a = rng.randbytes(size)
        tail = bytearray(a)
        tail[-KIB:] = rng.randbytes(KIB)
        head = bytearray(a)
        head[:KIB] = rng.randbytes(KIB)
        (root / "ab" / f"a{i:03d}").write_bytes(a)
        (root / "ab" / f"b{i:03d}").write_bytes(bytes(tail))
        versions.append((bytes(tail), bytes(head)))
    for i in range(pairs // 10):
        c = rng.randbytes(size)
        (root / "cd" / f"c{i:03d}").write_bytes(c)
        (root / "cd" / f"d{i:03d}").write_bytes(c)
    return versions


def writer(root, versions, stop, seed):
    """Replaces the b files by their other version, over and over, each by an atomic save."""
    rng = random.Random(seed)
    folder = root / "ab"
    turn = [0] * len(versions)
    while not stop.is_set():
        i = rng.randrange(len(versions))
        turn[i] ^= 1
        temporary = folder / f".b{i:03d}.{seed}.tmp"
        temporary.write_bytes(versions[i][turn[i]])
        os.replace(temporary, folder / f"b{i:03d}")


def parse_groups(output):
    groups, current = [], []
    for path in output.split(b"\0"):
        if path:
            current.append(path.decode())
        elif current:
            groups.append(current)
            current = []
    return groups


def check(groups, pairs):
    """Problems of one run: false groups, c/d pairs not found, members that differ."""
    false_groups = [g for g in groups if any(Path(p).name.startswith("b") for p in g)]
    expected = {(f"c{i:03d}", f"d{i:03d}") for i in range(pairs // 10)}
    found = {tuple(sorted(Path(p).name for p in g)) for g in groups}
    missed = expected - found
    unequal = 0
    for g in groups:
        if g in false_groups:
            continue
        first = Path(g[0]).read_bytes()
        unequal += sum(Path(p).read_bytes() != first for p in g[1:])
    return false_groups, missed, unequal


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=40)
    parser.add_argument("--pairs", type=int, default=150)
    parser.add_argument("--size-kib", type=int, default=192)
    parser.add_argument("--writers", type=int, default=2)
    parser.add_argument("--work", default="/tmp/zw-stress")
    parser.add_argument("--cli", default=str(REPO / "build/release/zwillingsfeger-cli"))
    args = parser.parse_args()

    if args.cli == parser.get_default("cli"):
        release = REPO / "build/release"
        subprocess.run(["cmake", "-S", str(REPO), "-B", str(release), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DZW_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["ninja", "-C", str(release), "zwillingsfeger-cli"], check=True, stdout=subprocess.DEVNULL)
    root = Path(args.work)
    shutil.rmtree(root, ignore_errors=True)
    versions = make_tree(root, args.pairs, args.size_kib * KIB)

    stop = multiprocessing.Event()
    writers = [multiprocessing.Process(target=writer, args=(root, versions, stop, n)) for n in range(args.writers)]
    for w in writers:
        w.start()
    statuses = collections.Counter()
    totals = collections.Counter()
    started = time.monotonic()
    try:
        for run in range(args.runs):
            done = subprocess.run([args.cli, "-0", str(root)], capture_output=True)
            statuses[done.returncode] += 1
            groups = parse_groups(done.stdout)
            false_groups, missed, unequal = check(groups, args.pairs)
            totals["false groups"] += len(false_groups)
            totals["c/d pairs missed"] += len(missed)
            totals["unequal members"] += unequal
            totals["files reported changed"] += done.stderr.count(b"changed during the search")
            totals["files reported vanished"] += done.stderr.count(b": vanished")
            for g in false_groups:
                print(f"run {run}: false group {g}", file=sys.stderr)
    finally:
        stop.set()
        for w in writers:
            w.join()
    elapsed = time.monotonic() - started
    print(f"{args.runs} runs in {elapsed:.1f} s over {2 * args.pairs} changing and "
          f"{2 * (args.pairs // 10)} unchanging files of {args.size_kib} KiB, {args.writers} writers")
    print("exit statuses: " + ", ".join(f"{code}: {count}" for code, count in sorted(statuses.items())))
    for name in ("false groups", "c/d pairs missed", "unequal members", "files reported changed",
                 "files reported vanished"):
        print(f"{name}: {totals[name]}")
    shutil.rmtree(root, ignore_errors=True)
    return 1 if totals["false groups"] or totals["c/d pairs missed"] or totals["unequal members"] else 0


if __name__ == "__main__":
    sys.exit(main())
