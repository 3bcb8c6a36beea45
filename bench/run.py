#!/usr/bin/env python3
"""Benchmark of zwillingsfeger-cli against fdupes, jdupes, rdfind, duff and rmlint.

Generates deterministic trees, builds an optimised zwillingsfeger-cli, runs every tool several times on
every tree with a warm cache, and prints one table per tree: median wall time, peak memory, the ratio of
each tool to ours, and whether each tool found the same groups as ours. Then it times the window side
(RefreshLists of a catalogue of a million entries, Qt offscreen and the Windows build under Wine).

Nothing is ever deleted by the tools: rdfind runs with -dryrun true, rmlint writes its output into a
temporary folder (its scripts are never run), fdupes and jdupes only print.

Usage: bench/run.py [--runs 3] [--work /work/tmp/zwbench] [--keep-trees] [--quick] [--trees a,b]
"""

import argparse
import json
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
MIB = 1024 * 1024

# ---------------------------------------------------------------------------------------------------
# Trees. Every tree is a pure function of its parameters and seed; a stamp next to it records them so
# that a second run of the script reuses what it made before.


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def gen_small(root, files, seed=1):
    """Many small files: a quarter exact copies of earlier files, a sixth same-size near copies that
    differ in one byte, 2 % empty files, the rest unique, spread over nested folders."""
    rng = random.Random(seed)
    pool = []  # recent contents that copies are made from
    per_folder = 100
    for i in range(files):
        folder = root / f"d{i // (per_folder * 10):04d}" / f"s{(i // per_folder) % 10}"
        if i % per_folder == 0:
            folder.mkdir(parents=True, exist_ok=True)
        r = rng.random()
        if r < 0.02:
            data = b""
        elif r < 0.27 and pool:
            data = rng.choice(pool)
        elif r < 0.44 and pool:
            near = bytearray(rng.choice(pool))
            near[rng.randrange(len(near))] ^= 1 + rng.randrange(255)
            data = bytes(near)
        else:
            size = min(int(rng.expovariate(1 / 1500)) + 1, 64 * 1024)
            data = rng.randbytes(size)
            pool.append(data)
            if len(pool) > 5000:
                pool.pop(rng.randrange(len(pool)))
        write(folder / f"f{i:06d}.dat", data)


def gen_large(root, size, seed=2):
    """Large files: equal pairs, and copies that differ only in the first, a middle or the last byte."""
    rng = random.Random(seed)
    a = rng.randbytes(size)
    b = rng.randbytes(size)
    (root / "x").mkdir(parents=True)
    (root / "y").mkdir(parents=True)

    def changed(data, at):
        d = bytearray(data)
        d[at] ^= 0xFF
        return bytes(d)

    write(root / "x" / "a.bin", a)
    write(root / "y" / "a-copy.bin", a)
    write(root / "x" / "a-first.bin", changed(a, 0))
    write(root / "y" / "a-last.bin", changed(a, size - 1))
    write(root / "y" / "a-middle.bin", changed(a, size // 2))
    write(root / "x" / "b.bin", b)
    write(root / "y" / "b-copy.bin", b)
    write(root / "x" / "b-last.bin", changed(b, size - 1))
    write(root / "y" / "b-last-copy.bin", changed(b, size - 1))


def gen_prefix(root, files, size, seed=3):
    """Many files of one size that share all but their last 16 bytes; one in ten is a copy."""
    rng = random.Random(seed)
    prefix = rng.randbytes(size - 16)
    tails = []
    for i in range(files):
        folder = root / f"p{i // 100:02d}"
        if i % 100 == 0:
            folder.mkdir(parents=True)
        if i % 10 == 9:
            tail = rng.choice(tails)
        else:
            tail = i.to_bytes(8, "little") + rng.randbytes(8)
            tails.append(tail)
        write(folder / f"page{i:05d}.db", prefix + tail)


def gen_onesize(root, files, size, seed=5):
    """Many small files of one size: half share all but their last quarter, a tenth are copies of
    earlier files, the rest differ from the first byte."""
    rng = random.Random(seed)
    shared = rng.randbytes(size - size // 4)
    made = []
    for i in range(files):
        folder = root / f"o{i // 1000:02d}"
        if i % 1000 == 0:
            folder.mkdir(parents=True)
        if made and rng.random() < 0.1:
            data = rng.choice(made)
        else:
            data = shared + rng.randbytes(size // 4) if rng.random() < 0.5 else rng.randbytes(size)
            made.append(data)
        write(folder / f"rec{i:05d}.bin", data)


def gen_hardlinks(root, seed=4):
    """Hard links: names of one file alone, names of one file that also has a real copy, plain copies
    and unique files."""
    rng = random.Random(seed)
    for sub in ("a", "b", "c"):
        (root / sub).mkdir(parents=True)
    for i in range(300):
        data = rng.randbytes(rng.randrange(1, 20000))
        first = root / "a" / f"f{i:04d}"
        write(first, data)
        kind = i % 6
        if kind == 0:  # two names of one file, nothing else
            os.link(first, root / "b" / f"link{i:04d}")
        elif kind == 1:  # two names of one file and a real copy
            os.link(first, root / "b" / f"link{i:04d}")
            write(root / "c" / f"copy{i:04d}", data)
        elif kind == 2:  # a real copy whose own second name comes first in another folder
            write(root / "b" / f"copy{i:04d}", data)
            os.link(root / "b" / f"copy{i:04d}", root / "c" / f"link{i:04d}")
        elif kind == 3:  # a plain copy
            write(root / "c" / f"copy{i:04d}", data)
        # kinds 4 and 5: unique files


def tree_specs(quick):
    """Name -> (generator, parameters, description). Quick mode shrinks everything for a try-out."""
    n_small = 5_000 if quick else 100_000
    large = 4 * MIB if quick else 64 * MIB
    n_prefix, prefix_size = (100, 64 * 1024) if quick else (1000, 256 * 1024)
    n_onesize = 2_000 if quick else 20_000
    return {
        "small": (gen_small, (n_small,), f"{n_small:,} small files, copies and same-size near copies"),
        "large": (gen_large, (large,), f"9 files of {large // MIB} MiB: equal, or differing in the first, a middle or the last byte"),
        "prefix": (gen_prefix, (n_prefix, prefix_size), f"{n_prefix:,} files of {prefix_size // 1024} KiB sharing all but the last 16 bytes"),
        "onesize": (gen_onesize, (n_onesize, 4096), f"{n_onesize:,} files of 4 KiB, half sharing their first 3 KiB"),
        "hardlinks": (gen_hardlinks, (), "300 files with hard links, copies and linked copies"),
    }


def ensure_tree(work, name, recipe):
    gen, params, _ = recipe
    root = work / name
    stamp = work / f"{name}.stamp"
    want = f"{gen.__name__}{params} v1"
    if root.is_dir() and stamp.exists() and stamp.read_text() == want:
        return root, False
    if root.exists():
        shutil.rmtree(root)
    root.mkdir(parents=True)
    gen(root, *params)
    stamp.write_text(want)
    return root, True


def tree_summary(root):
    files = size = 0
    for dirpath, _, names in os.walk(root):
        for n in names:
            st = os.lstat(os.path.join(dirpath, n))
            if not os.path.islink(os.path.join(dirpath, n)):
                files += 1
                size += st.st_size
    return files, size


# ---------------------------------------------------------------------------------------------------
# Tools and their output.


def groups_blank_separated(data):
    """fdupes, jdupes and rmlint -o fdupes: one path per line, groups separated by blank lines."""
    data = re.sub(rb"\x1b\[[0-9;]*m", b"", data)
    groups, current = [], []
    for line in data.split(b"\n"):
        if line.strip() == b"":
            if current:
                groups.append(current)
            current = []
        else:
            current.append(line)
    if current:
        groups.append(current)
    return groups


def groups_null(data):
    """Ours with -0: NUL after every path, an extra NUL between groups."""
    return [[p for p in chunk.split(b"\0") if p] for chunk in data.split(b"\0\0") if chunk.strip(b"\0")]


def groups_rdfind(data):
    """rdfind's results file: 'duptype id depth size device inode priority name', groups by |id|."""
    by_id = {}
    for line in data.split(b"\n"):
        if not line or line.startswith(b"#"):
            continue
        fields = line.split(b" ", 7)
        if len(fields) < 8:
            continue
        by_id.setdefault(abs(int(fields[1])), []).append(fields[7])
    return list(by_id.values())


def groups_duff(data):
    """duff with the cluster header set to '#': paths are absolute, so a '#' line is a header."""
    groups, current = [], None
    for line in data.split(b"\n"):
        if line == b"#":
            if current:
                groups.append(current)
            current = []
        elif line and current is not None:
            current.append(line)
    if current:
        groups.append(current)
    return groups


def tools(cli):
    """Name -> function(tree, outdir) -> (argv, file holding the groups or None for stdout, parser).
    The options keep each tool to its documented defaults except where a default would change what is
    searched: hidden files are included and empty files excluded everywhere, as ours does."""
    return {
        "zwillingsfeger-cli": lambda t, o: ([str(cli), "-0", "--stats", "--", str(t)], None, groups_null),
        "fdupes": lambda t, o: (["fdupes", "-r", "-n", str(t)], None, groups_blank_separated),
        "jdupes": lambda t, o: (["jdupes", "-r", "-q", str(t)], None, groups_blank_separated),
        "rdfind": lambda t, o: (["rdfind", "-dryrun", "true", "-makeresultsfile", "true", "-outputname",
                                 str(o / "results.txt"), str(t)], o / "results.txt", groups_rdfind),
        "duff": lambda t, o: (["duff", "-r", "-a", "-z", "-f", "#", str(t)], None, groups_duff),
        "rmlint": lambda t, o: (["rmlint", "-T", "df", "--hidden", "-F", "-o", f"fdupes:{o / 'rmlint.fdupes'}",
                                 str(t)], o / "rmlint.fdupes", groups_blank_separated),
    }


GNU_TIME = "/usr/bin/time"


def run_once(argv, cwd, stdout_path, stderr_path, timeout):
    """Wall time in seconds, peak resident memory in KiB, the exit code and the processor time (user
    plus system, seconds) of one run.

    The peak comes from GNU time's %M: measured in our own process, a child's peak would start from the
    size of this Python process, which the child inherits until it executes the tool."""
    rss_path = Path(str(stdout_path) + ".rss")
    with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
        start = time.perf_counter()
        proc = subprocess.Popen([GNU_TIME, "-f", "%M %U %S", "-o", str(rss_path)] + argv, cwd=cwd, stdout=out,
                                stderr=err, stdin=subprocess.DEVNULL, start_new_session=True)
        # A blocking wait, with the timeout kept by a timer: Popen.wait(timeout=...) polls in sleeps of up
        # to 50 ms, which rounded every short run up to a multiple of about 16 ms.
        expired = threading.Event()

        def kill():
            expired.set()
            try:
                os.killpg(proc.pid, 9)
            except ProcessLookupError:  # it ended just now
                pass

        watchdog = threading.Timer(timeout, kill)
        watchdog.start()
        code = proc.wait()
        wall = time.perf_counter() - start
        watchdog.cancel()
        if expired.is_set():
            return None, None, "timeout", None
    # GNU time puts a note before its figures when the command failed: the figures are the last line.
    lines = rss_path.read_text().strip().splitlines()
    try:
        rss, user, system = lines[-1].split()
        return wall, int(rss), code, float(user) + float(system)
    except (IndexError, ValueError):
        return wall, None, code, None


class PathInfo:
    """lstat of every path met in any output, once."""

    def __init__(self):
        self.cache = {}

    def get(self, path):
        if path not in self.cache:
            try:
                self.cache[path] = os.lstat(path)
            except OSError:
                self.cache[path] = None
        return self.cache[path]


def normalise(groups, info):
    """The groups as a set of sets of paths, without links, empty files and vanished paths; and the
    same groups over distinct files (device, inode), where names of one file count once."""
    by_path, by_file = set(), set()
    for group in groups:
        kept = []
        for p in group:
            st = info.get(p)
            if st is None or not (st.st_mode & 0o170000) == 0o100000 or st.st_size == 0:
                continue
            kept.append(p)
        if len(kept) >= 2:
            by_path.add(frozenset(kept))
        files = frozenset((info.get(p).st_dev, info.get(p).st_ino) for p in kept)
        if len(files) >= 2:
            by_file.add(files)
    return by_path, by_file


def link_behaviour(by_path, info):
    """How a tool's groups treat hard links: groups made only of names of one file, and groups that
    list a file under two names."""
    only_links = sum(1 for g in by_path if len({(info.get(p).st_dev, info.get(p).st_ino) for p in g}) == 1)
    two_names = sum(1 for g in by_path if len({(info.get(p).st_dev, info.get(p).st_ino) for p in g}) < len(g))
    return only_links, two_names


# ---------------------------------------------------------------------------------------------------


def build(release_dir, windows_dir, with_windows):
    """The optimised CLI must build; the window benchmark is skipped when its build fails. Returns a note
    for the report when the build needed help."""
    quiet = dict(stdout=subprocess.DEVNULL)
    note = ""

    def configure(extra_flags):
        subprocess.run(["cmake", "-S", str(REPO), "-B", str(release_dir), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DZW_SANITIZE=OFF", "-DZW_TESTS=OFF", f"-DCMAKE_CXX_FLAGS={extra_flags}"], check=True, **quiet)

    configure("")
    if subprocess.run(["ninja", "-C", str(release_dir), "-j2", "zwillingsfeger-cli"], **quiet).returncode != 0:
        # GCC 12 reports false -Wrestrict overlaps in std::string at -O3; the code is the same without
        # the error, so the benchmark goes on and says so.
        configure("-Wno-error=restrict")
        subprocess.run(["ninja", "-C", str(release_dir), "-j2", "zwillingsfeger-cli"], check=True, **quiet)
        note = "The Release build stopped on a -Wrestrict error; it was built with -Wno-error=restrict."
    if subprocess.run(["ninja", "-C", str(release_dir), "-j2", "refresh_bench"], **quiet).returncode != 0:
        print("run.py: refresh_bench (Qt) did not build", file=sys.stderr)
    if with_windows:
        ok = subprocess.run(["cmake", "-S", str(REPO), "-B", str(windows_dir), "-G", "Ninja",
                             f"-DCMAKE_TOOLCHAIN_FILE={REPO / 'cmake' / 'mingw-w64.cmake'}",
                             "-DCMAKE_BUILD_TYPE=Release", "-DZW_TESTS=OFF"], **quiet).returncode == 0
        if not ok or subprocess.run(["ninja", "-C", str(windows_dir), "-j2", "refresh_bench"], **quiet).returncode:
            print("run.py: refresh_bench.exe (Win32) did not build", file=sys.stderr)
    return note


def fmt_time(t):
    # Runs of a few milliseconds keep a fourth decimal, or ours and a peer's would print alike.
    return "timeout" if t is None else f"{t:.4f}" if t < 0.1 else f"{t:.3f}"


def bench_tree(name, tree, description, tool_table, runs, work, timeout, log):
    info = PathInfo()
    files, size = tree_summary(tree)
    log(f"\n## {name}: {description}\n")
    log(f"`{tree}`: {files:,} files, {size / MIB:,.1f} MiB\n")
    results = {}
    for tool, make in tool_table.items():
        outdir = work / "out" / name / tool
        if outdir.exists():
            shutil.rmtree(outdir)
        outdir.mkdir(parents=True)
        argv, result_file, parse = make(tree, outdir)
        # The first run warms the cache and gives the groups; the timed runs follow.
        walls, rss, cpus = [], [], []
        codes = set()
        for i in range(runs + 1):
            wall, maxrss, code, cpu = run_once(argv, outdir, outdir / "stdout", outdir / "stderr", timeout)
            codes.add(code)
            if i == 0:
                data = (result_file or outdir / "stdout").read_bytes() if (result_file or outdir / "stdout").exists() else b""
                groups = parse(data)
                stderr_text = (outdir / "stderr").read_bytes()
                if code == "timeout":
                    break
                continue
            walls.append(wall)
            rss.append(maxrss)
            cpus.append(cpu)
        by_path, by_file = normalise(groups, info)
        results[tool] = {
            "argv": argv,
            "wall": statistics.median(walls) if walls and None not in walls else None,
            "walls": walls,
            "rss_kib": statistics.median(rss) if rss else None,
            "cpu": statistics.median(cpus) if cpus and None not in cpus else None,
            "codes": sorted(str(c) for c in codes),
            "groups": len(by_path),
            "by_path": by_path,
            "by_file": by_file,
            "stderr": stderr_text,
        }
        log(f"  {tool}: {fmt_time(results[tool]['wall'])} s, {results[tool]['rss_kib']} KiB, {len(by_path)} groups, exit {results[tool]['codes']}", console_only=True)

    ours = results["zwillingsfeger-cli"]
    peers = [t for t in results if t != "zwillingsfeger-cli" and results[t]["wall"] is not None]
    fastest = min(peers, key=lambda t: results[t]["wall"]) if peers else None
    log("| tool | median wall s | CPU s (user+sys) | peak RSS MiB | time / ours | memory / ours | groups | same groups as ours | same over distinct files |")
    log("|---|---:|---:|---:|---:|---:|---:|---|---|")
    for tool, r in results.items():
        same = "—" if tool == "zwillingsfeger-cli" else ("yes" if r["by_path"] == ours["by_path"] else
                                                          f"no: {len(r['by_path'] - ours['by_path'])} only theirs, {len(ours['by_path'] - r['by_path'])} only ours")
        same_files = "—" if tool == "zwillingsfeger-cli" else ("yes" if r["by_file"] == ours["by_file"] else
                                                                f"no: {len(r['by_file'] - ours['by_file'])} only theirs, {len(ours['by_file'] - r['by_file'])} only ours")
        ratio_t = "—" if tool == "zwillingsfeger-cli" or r["wall"] is None or not ours["wall"] else f"{r['wall'] / ours['wall']:.2f}"
        ratio_m = "—" if tool == "zwillingsfeger-cli" or not r["rss_kib"] else f"{r['rss_kib'] / ours['rss_kib']:.2f}"
        mark = " (fastest peer)" if tool == fastest else ""
        codes = "" if r["codes"] == ["0"] else f" (exit {', '.join(r['codes'])})"
        cpu = "—" if r["cpu"] is None else f"{r['cpu']:.2f}"
        log(f"| {tool}{mark}{codes} | {fmt_time(r['wall'])} | {cpu} | {r['rss_kib'] / 1024 if r['rss_kib'] else 0:.1f} | {ratio_t} | {ratio_m} | {r['groups']} | {same} | {same_files} |")
    stats = ours["stderr"].decode(errors="replace").strip()
    if stats:
        log("\nzwillingsfeger-cli --stats:\n```\n" + stats + "\n```")
    if fastest and ours["wall"]:
        log(f"\nFastest peer: {fastest}, {fmt_time(results[fastest]['wall'])} s; ours {fmt_time(ours['wall'])} s "
            f"({ours['wall'] / results[fastest]['wall']:.2f} x the fastest peer's time). "
            f"Load average now: {os.getloadavg()[0]:.1f}.")
    return results, files


def link_report(results, tree, log):
    info = PathInfo()
    log("\nHard links, by default (groups made only of names of one file / groups listing one file under two names):\n")
    for tool, r in results.items():
        only, two = link_behaviour(r["by_path"], info)
        verdict = "hard links count as duplicates" if only else "hard links are not duplicates"
        log(f"- {tool}: {only} / {two}: {verdict}")
    ours = results["zwillingsfeger-cli"]["by_path"]
    for tool, r in results.items():
        if tool == "zwillingsfeger-cli" or r["by_path"] == ours:
            continue
        theirs_only = sorted(sorted(os.fsdecode(p).replace(str(tree) + "/", "") for p in g) for g in r["by_path"] - ours)
        ours_only = sorted(sorted(os.fsdecode(p).replace(str(tree) + "/", "") for p in g) for g in ours - r["by_path"])
        log(f"\n{tool} differs from ours in {len(theirs_only)} + {len(ours_only)} groups; for example")
        for g in theirs_only[:2]:
            log(f"  - only {tool}: {', '.join(g)}")
        for g in ours_only[:2]:
            log(f"  - only ours: {', '.join(g)}")


def refresh_bench(release_dir, windows_dir, with_windows, count, wine_count, timeout, log):
    log(f"\n## Window side: RefreshLists(REFRESH_FILES) over synthetic catalogue entries\n")
    runs = [("Qt 6, offscreen", count, [str(release_dir / "bench" / "refresh_bench"), str(count)],
             dict(os.environ, QT_QPA_PLATFORM="offscreen"))]
    if with_windows:
        runs.append(("Win32 under Wine (Xvfb)", wine_count,
                     ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", str(REPO / "scripts" / "wine-run"),
                      str(windows_dir / "bench" / "refresh_bench.exe"), str(wine_count)], os.environ))
    log("| backend | entries | catalogue bytes/entry | refresh s | µs per row | second refresh s | "
        "refresh with WM_SETREDRAW off s | peak RSS MiB |")
    log("|---|---:|---:|---:|---:|---:|---:|---:|")
    for label, entries, argv, env in runs:
        program = Path(argv[0] if label.startswith("Qt") else argv[-2])
        if not program.exists():
            log(f"| {label} | not built | | | | | | |")
            continue
        start = time.perf_counter()
        try:
            proc = subprocess.run(argv, env=env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            log(f"| {label} | {entries:,} | timeout after {timeout} s | | | | | |")
            continue
        values = dict(kv.split("=", 1) for kv in proc.stdout.decode(errors="replace").split() if "=" in kv)
        if proc.returncode != 0 or "refresh_s" not in values:
            log(f"| {label} | failed (exit {proc.returncode}): {proc.stderr.decode(errors='replace').strip()[:200]} "
                f"| | | | | | |")
            continue
        per_row = float(values["refresh_s"]) * 1e6 / max(int(values["rows"]), 1)
        log(f"| {label} | {int(values['rows']):,} | {values['catalogue_bytes_per_entry']} | {values['refresh_s']} | "
            f"{per_row:.1f} | {values['second_refresh_s']} | {values.get('noredraw_refresh_s', '—')} | "
            f"{values.get('peak_rss_mib', '—')} |")
        log(f"  ({label}: whole process {time.perf_counter() - start:.1f} s)", console_only=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=3, help="timed runs per tool and tree (median), after one warm-up")
    ap.add_argument("--work", type=Path, default=Path("/work/tmp/zwbench"), help="where the trees are generated")
    ap.add_argument("--trees", default="small,large,prefix,onesize,hardlinks,usr-share", help="which trees to run")
    ap.add_argument("--real", type=Path, default=Path("/usr/share"), help="the real tree")
    ap.add_argument("--quick", action="store_true", help="small trees, for trying the script out")
    ap.add_argument("--keep-trees", action="store_true", help="keep the generated trees for the next run")
    ap.add_argument("--no-windows", action="store_true", help="skip the Windows build under Wine")
    ap.add_argument("--refresh-count", type=int, default=1_000_000, help="catalogue entries for RefreshLists")
    ap.add_argument("--wine-count", type=int, help="catalogue entries under Wine (default: --refresh-count)")
    ap.add_argument("--timeout", type=int, default=300, help="seconds before a single run is stopped")
    ap.add_argument("--skip-build", action="store_true", help="use what build/cli-release holds")
    ap.add_argument("--cli", type=Path, help="time this zwillingsfeger-cli instead of build/cli-release's")
    args = ap.parse_args()

    work = args.work.resolve()
    if str(work).startswith(str(REPO) + os.sep):
        sys.exit("run.py: generate the trees outside the repository")
    work.mkdir(parents=True, exist_ok=True)
    release_dir = REPO / "build" / "cli-release"
    windows_dir = REPO / "build" / "cli-windows"
    report_lines = []

    def log(line="", console_only=False):
        print(line, flush=True)
        if not console_only:
            report_lines.append(line)

    started = time.perf_counter()
    build_note = ""
    if not args.skip_build:
        build_note = build(release_dir, windows_dir, not args.no_windows)
    cli = args.cli.resolve() if args.cli else release_dir / "zwillingsfeger-cli"
    table = tools(cli)
    missing = [t for t in table if t != "zwillingsfeger-cli" and shutil.which(t) is None]
    for t in missing:
        del table[t]

    versions = []
    for tool, argv in [("fdupes", ["fdupes", "--version"]), ("jdupes", ["jdupes", "--version"]),
                       ("rdfind", ["rdfind", "--version"]), ("duff", ["duff", "-v"]), ("rmlint", ["rmlint", "--version"])]:
        if tool in table:
            p = subprocess.run(argv, capture_output=True)
            text = re.sub(r"\x1b\[[0-9;]*m", "", (p.stdout + p.stderr).decode(errors="replace"))
            number = re.search(r"\d+\.\d+(\.\d+)?", text)
            versions.append(f"{tool} {number.group(0) if number else '?'}")
    log(f"# zwillingsfeger-cli benchmark\n")
    log(f"Command: `bench/run.py {' '.join(sys.argv[1:])}`; {args.runs} timed runs per tool after one warm-up "
        f"run (warm cache), median; peak RSS is GNU time's %M.")
    log(f"Machine: {os.cpu_count()} cores, {os.sysconf('SC_PAGE_SIZE') * os.sysconf('SC_PHYS_PAGES') / 2**30:.1f} GiB; "
        f"peers: {'; '.join(versions)}{'; missing: ' + ', '.join(missing) if missing else ''}.")
    if build_note:
        log(build_note)
    log("\nTool commands (TREE is the tree, OUT a temporary folder):\n")
    for tool, make in table.items():
        argv, _, _ = make(Path("TREE"), Path("OUT"))
        log(f"- {tool}: `{' '.join(a if a != str(cli) else 'build/cli-release/zwillingsfeger-cli' for a in argv)}`")

    specs = tree_specs(args.quick)
    wanted = args.trees.split(",")
    generated = []
    all_results = {}
    # Our memory without a catalogue: the program's own floor, subtracted for the per-file figure.
    empty = work / "empty"
    empty.mkdir(exist_ok=True)
    if not Path(GNU_TIME).exists():
        sys.exit("run.py: GNU time is needed for the peak memory: apt-get install -y time")
    base_rss = min(run_once([str(cli), "--", str(empty)], work, work / "base.out", work / "base.err", 30)[1]
                   for _ in range(3))
    log(f"Load average at the start: {' '.join(f'{x:.1f}' for x in os.getloadavg())} (other work on the machine "
        f"slows the wall times; the CPU column is less affected).")
    for name in wanted:
        if name == "usr-share":
            tree, description = args.real, f"the real tree {args.real}"
        else:
            t0 = time.perf_counter()
            tree, made = ensure_tree(work, name, specs[name])
            description = specs[name][2]
            if made:
                generated.append(tree)
                log(f"  generated {name} in {time.perf_counter() - t0:.1f} s", console_only=True)
        results, files = bench_tree(name, tree, description, table, args.runs, work, args.timeout, log)
        all_results[name] = (results, files)
        if name == "hardlinks":
            link_report(results, tree, log)

    log("\n## Same groups and memory\n")
    for name, (results, files) in all_results.items():
        ours = results["zwillingsfeger-cli"]
        if "fdupes" in results:
            same = results["fdupes"]["by_path"] == ours["by_path"]
            same_files = results["fdupes"]["by_file"] == ours["by_file"]
            log(f"- {name}: same groups as fdupes: {'yes' if same else 'no'}"
                f"{'' if same else ' (over distinct files: ' + ('yes' if same_files else 'no') + ')'}")
    if "small" in all_results:
        results, files = all_results["small"]
        ours_kib = results["zwillingsfeger-cli"]["rss_kib"]
        log(f"- memory: ours peaks at {ours_kib / 1024:.1f} MiB on the {files:,}-file tree; without a catalogue "
            f"{base_rss / 1024:.1f} MiB; so {(ours_kib - base_rss) * 1024 / files:.0f} bytes per catalogued file "
            f"({ours_kib * 1024 / files:.0f} bytes per file counting the whole process).")
        for tool, r in results.items():
            if tool != "zwillingsfeger-cli" and r["rss_kib"]:
                log(f"  - {tool}: {r['rss_kib'] / 1024:.1f} MiB ({r['rss_kib'] / ours_kib:.2f} x ours)")

    refresh_bench(release_dir, windows_dir, not args.no_windows, args.refresh_count, args.wine_count or args.refresh_count,
                  args.timeout * 2, log)

    log(f"\nWhole run: {(time.perf_counter() - started) / 60:.1f} minutes.")
    (work / "report.md").write_text("\n".join(report_lines) + "\n")
    print(f"\n(report written to {work / 'report.md'})")
    if not args.keep_trees:
        for name in wanted:
            if name in specs and (work / name).exists():
                shutil.rmtree(work / name)
                (work / f"{name}.stamp").unlink(missing_ok=True)
        shutil.rmtree(work / "out", ignore_errors=True)


if __name__ == "__main__":
    main()
