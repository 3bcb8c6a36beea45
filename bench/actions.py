#!/usr/bin/env python3
"""The actions beside jdupes: zwillingsfeger-cli --delete and --link against jdupes -dN and jdupes -L, each
on a fresh copy of a tree (warm: the copy was just written), timed as a whole process.

For the last run of each it checks that nothing was lost (every content present before is present after) and counts
what was acted on: files gone, names that became links to another name, and bytes freed (the disk blocks
no longer held).

Usage: bench/actions.py TREE [--runs 3] [--cli build/release/zwillingsfeger-cli] [--work /tmp/zwactions]
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path


def survey(root):
    """Contents present, file count, distinct inodes and their bytes."""
    contents, files, inodes = set(), 0, {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            files += 1
            inodes[(st.st_dev, st.st_ino)] = st.st_size
            with open(path, "rb") as f:
                contents.add(hashlib.sha1(f.read()).digest())
    return contents, files, len(inodes), sum(inodes.values())


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("tree")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--cli", default="build/release/zwillingsfeger-cli")
    ap.add_argument("--work", default="/tmp/zwactions")
    args = ap.parse_args()
    cli = str(Path(args.cli).resolve())
    before = survey(args.tree)
    print(f"tree {args.tree}: {before[1]:,} files, {len(before[0]):,} contents, {before[3]:,} bytes")
    commands = {
        "zwillingsfeger-cli --delete": [cli, "--delete"],
        "jdupes -r -dN": ["jdupes", "-r", "-q", "-dN"],
        "zwillingsfeger-cli --link": [cli, "--link"],
        "jdupes -r -L": ["jdupes", "-r", "-q", "-L"],
    }
    print("| command | median wall s (runs) | files left (own storage) | names left | bytes freed | every content present |")
    print("|---|---:|---:|---:|---:|---|")
    for label, argv in commands.items():
        times, result = [], None
        Path(args.work).mkdir(parents=True, exist_ok=True)
        for run in range(args.runs):
            copy = Path(args.work) / "copy"
            shutil.rmtree(copy, ignore_errors=True)
            subprocess.run(["cp", "-a", args.tree, str(copy)], check=True)
            subprocess.run(["sync"], check=True)
            started = time.perf_counter()
            done = subprocess.run(argv + [str(copy)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times.append(time.perf_counter() - started)
            if run == args.runs - 1:
                result = (done.returncode, survey(copy))
        code, after = result
        names = after[1]
        print(f"| `{label}` | {statistics.median(times):.2f} ({len(times)}) | {after[2]:,} | {names:,} | "
              f"{before[3] - after[3]:,} | {'yes' if after[0] == before[0] else 'NO'} (exit {code}) |")
        sys.stdout.flush()
    shutil.rmtree(Path(args.work) / "copy", ignore_errors=True)


if __name__ == "__main__":
    main()
