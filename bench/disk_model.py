#!/usr/bin/env python3
"""What each tool's reads would cost on a spinning disk: a replay of its read order through a seek model.

Every tool runs once under strace (cache dropped first, as root), which records each open and read with the
time it was asked for. Each read is mapped to the disk through the file's physical extents (FIEMAP) and
replayed, in the order the reads were asked for, through a model of one 7,200 rpm disk: a read that goes on
where the last one ended costs only its transfer; any other costs a seek that grows with the distance, half a
turn of the platter and the transfer. The page cache is modelled as the system has it: a read brings in what
it asks for and the kernel's readahead after it, and nothing is read from the disk twice.

Usage: bench/disk_model.py [--cli build/cli-release/zwillingsfeger-cli] [--tools a,b] TREE
"""

import argparse
import fcntl
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent

# The disk: 7,200 rpm, 160 MB/s at the platter, a seek of 1 ms to the next track and 16 ms across the whole
# platter of 2 TB, growing with the square root of the distance.
TURN = 60 / 7200
TRANSFER = 160e6
SEEK_NEAR, SEEK_FULL = 0.001, 0.016
PLATTER = 2e12
# A gap this short after the head is read through rather than sought over.
READ_THROUGH = 256 * 1024
READAHEAD = 128 * 1024  # the kernel's default readahead window
PAGE = 4096

FS_IOC_FIEMAP = 0xC020660B
EXTENTS = 256


def extents(path):
    """The file's (logical, physical, length) extents, from FIEMAP."""
    header = struct.pack("=QQIIII", 0, 0xFFFFFFFFFFFFFFFF, 1, 0, EXTENTS, 0)
    buf = bytearray(header + bytes(56 * EXTENTS))
    with open(path, "rb") as f:
        fcntl.ioctl(f.fileno(), FS_IOC_FIEMAP, buf)
    mapped = struct.unpack_from("=I", buf, 20)[0]
    return [struct.unpack_from("=QQQ", buf, 32 + 56 * i) for i in range(mapped)]


def physical(ext, offset):
    for logical, phys, length in ext:
        if logical <= offset < logical + length:
            return phys + offset - logical
    return ext[-1][1] + ext[-1][2] if ext else 0


LINE = re.compile(r"^(\d+)\s+([\d.]+)\s+(.*)$")
OPEN = re.compile(r'^open(?:at)?\((?:[^,]+, )?"((?:[^"\\]|\\.)*)".*\)\s+=\s+(\d+)')
PREAD = re.compile(r"^pread64\((\d+), .*, (\d+), (\d+)\)\s+=\s+(\d+)")
READ = re.compile(r"^read\((\d+), .*, (\d+)\)\s+=\s+(\d+)")
LSEEK = re.compile(r"^lseek\((\d+), -?\d+, SEEK_\w+\)\s+=\s+(\d+)")
CLOSE = re.compile(r"^close\((\d+)\)")


def unescape(text):
    return os.fsdecode(text.encode("latin-1").decode("unicode_escape").encode("latin-1"))


def reads_of(trace):
    """(time asked, path, offset, bytes) of every read of a regular file, in the order they were asked for."""
    pending, fds, pos, out = {}, {}, {}, []
    for line in trace.read_text(errors="replace").splitlines():
        m = LINE.match(line)
        if not m:
            continue
        pid, when, call = m.group(1), float(m.group(2)), m.group(3)
        if call.endswith("<unfinished ...>"):
            pending[pid] = (when, call[: -len("<unfinished ...>")])
            continue
        if call.startswith("<..."):
            if pid not in pending:
                continue
            when, head = pending.pop(pid)
            call = head + call.split("resumed>", 1)[1]
        if (o := OPEN.match(call)):
            fds[o.group(2)] = unescape(o.group(1))
            pos[o.group(2)] = 0
        elif (r := PREAD.match(call)):
            if r.group(1) in fds and int(r.group(4)) > 0:
                out.append((when, fds[r.group(1)], int(r.group(3)), int(r.group(4))))
        elif (r := READ.match(call)):
            fd, got = r.group(1), int(r.group(3))
            if fd in fds and got > 0:
                out.append((when, fds[fd], pos[fd], got))
                pos[fd] += got
        elif (s := LSEEK.match(call)):
            if s.group(1) in pos:
                pos[s.group(1)] = int(s.group(2))
        elif (c := CLOSE.match(call)):
            fds.pop(c.group(1), None)
    out.sort(key=lambda r: r[0])
    return out


def replay(reads):
    """Seconds on the model disk, the requests that reached it, the seeks among them and the bytes read."""
    cached, maps, sizes = {}, {}, {}
    head, seconds, requests, seeks, moved = 0, 0.0, 0, 0, 0
    for _, path, offset, length in reads:
        if path not in maps:
            try:
                maps[path], sizes[path] = extents(path), os.path.getsize(path)
            except OSError:
                maps[path], sizes[path] = [], 0
        pages = cached.setdefault(path, set())
        end = min(max(offset + length, offset + READAHEAD), sizes[path])
        first = offset // PAGE
        while first * PAGE < end:
            if first in pages:
                first += 1
                continue
            last = first
            while (last + 1) * PAGE < end and last + 1 not in pages:
                last += 1
            pages.update(range(first, last + 1))
            at, size = physical(maps[path], first * PAGE), (last + 1 - first) * PAGE
            gap = at - head
            requests += 1
            if 0 <= gap <= READ_THROUGH:
                seconds += (gap + size) / TRANSFER
            else:
                seeks += 1
                seconds += SEEK_NEAR + (SEEK_FULL - SEEK_NEAR) * (abs(gap) / PLATTER) ** 0.5 + TURN / 2 + size / TRANSFER
            head, moved = at + size, moved + size
            first = last + 1
    return seconds, requests, seeks, moved


def commands(cli, tree):
    return {
        "zwillingsfeger-cli": [str(cli), "-0", str(tree)],
        "zwillingsfeger-cli --threads 1": [str(cli), "--threads", "1", "-0", str(tree)],
        "fdupes": ["fdupes", "-r", "-n", str(tree)],
        "jdupes": ["jdupes", "-r", "-q", str(tree)],
        "rdfind": ["rdfind", "-dryrun", "true", "-makeresultsfile", "false", str(tree)],
        "duff": ["duff", "-r", "-a", "-z", str(tree)],
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("tree", type=Path)
    ap.add_argument("--cli", type=Path, default=REPO / "build" / "cli-release" / "zwillingsfeger-cli")
    ap.add_argument("--tools", help="which of the tools, comma-separated (default: all)")
    ap.add_argument("--timeout", type=int, default=600)
    args = ap.parse_args()
    table = commands(args.cli.resolve(), args.tree.resolve())
    wanted = args.tools.split(",") if args.tools else list(table)
    print(f"Model disk: 7,200 rpm, {TRANSFER / 1e6:.0f} MB/s, seeks {SEEK_NEAR * 1e3:.0f}-{SEEK_FULL * 1e3:.0f} ms "
          f"plus half a turn; readahead {READAHEAD // 1024} KiB.\n")
    print("| tool | reads asked | disk requests | seeks | MB from disk | model seconds | seconds here, traced |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as tmp:
        for tool in wanted:
            trace = Path(tmp) / "trace"
            subprocess.run(["sync"], check=True)
            Path("/proc/sys/vm/drop_caches").write_text("3\n")
            argv = ["strace", "-f", "-qq", "-ttt", "-o", str(trace),
                    "-e", "trace=open,openat,read,pread64,lseek,close"] + table[tool]
            start = time.perf_counter()
            subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=tmp,
                           timeout=args.timeout)
            took = time.perf_counter() - start
            reads = [r for r in reads_of(trace) if r[1].startswith(str(args.tree.resolve()))]
            seconds, requests, seeks, moved = replay(reads)
            print(f"| {tool} | {len(reads):,} | {requests:,} | {seeks:,} | {moved / 1e6:,.0f} | {seconds:.1f} | "
                  f"{took:.1f} |", flush=True)


if __name__ == "__main__":
    sys.exit(main())
