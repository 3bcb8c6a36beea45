"""Measuring: one run of a tool under GNU time, every tool on a tree, and the window side's refresh;
the groups each tool found, normalised so that they compare."""

import math
import os
import shutil
import statistics
import subprocess
import threading
import time
from pathlib import Path

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


def drop_caches():
    """Empties the page cache, as after a reboot: a first search of a folder as the user meets it. Root only."""
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


# Warm runs of a few milliseconds move by as much as they last on a virtual machine: after Runs rounds, a
# tree whose quickest tool's median is short gets more, so that that tool's timed runs add up to about
# QUICK_SECONDS, up to MOST_ROUNDS. (Not from the untimed run: it may be the one that fills the cache.)
QUICK_SECONDS = 0.6
MOST_ROUNDS = 15


def more_rounds(state, done, runs, cold):
    medians = [statistics.median(s["walls"]) for s in state.values() if s["walls"] and None not in s["walls"]]
    if done < runs:
        return True
    if cold or not medians or done >= MOST_ROUNDS:
        return False
    return done < math.ceil(QUICK_SECONDS / max(min(medians), 1e-3))


def measure_tree(name, tree, tool_table, runs, work, timeout, cold=False):
    """Runs every tool on Tree: each once to warm the cache and collect its groups, then Runs rounds or
    more (more_rounds) in which every tool runs once more, timed; Cold: the page cache dropped before
    every run. The rounds take the tools in turn, so that a disk or a machine that slows down meanwhile
    (a virtual disk is throttled after much reading) slows every tool alike. Yields (tool, result); the medians are of the timed runs."""
    info = PathInfo()
    state = {}
    for tool, make in tool_table.items():
        outdir = work / "out" / name / tool
        if outdir.exists():
            shutil.rmtree(outdir)
        outdir.mkdir(parents=True)
        argv, result_file, parse = make(tree, outdir)
        if cold:
            drop_caches()
        wall, maxrss, code, cpu = run_once(argv, outdir, outdir / "stdout", outdir / "stderr", timeout)
        output = result_file or outdir / "stdout"
        state[tool] = {"argv": argv, "outdir": outdir, "codes": {code}, "walls": [], "rss": [], "cpus": [],
                       "groups": parse(output.read_bytes() if output.exists() else b""),
                       "stderr": (outdir / "stderr").read_bytes()}
    rounds = 0
    while more_rounds(state, rounds, runs, cold):
        rounds += 1
        for tool, s in state.items():
            if "timeout" in s["codes"] and not s["walls"]:
                continue  # a tool that could not finish once is not timed
            if cold:
                drop_caches()
            outdir = s["outdir"]
            wall, maxrss, code, cpu = run_once(s["argv"], outdir, outdir / "stdout", outdir / "stderr", timeout)
            s["codes"].add(code)
            s["walls"].append(wall)
            s["rss"].append(maxrss)
            s["cpus"].append(cpu)
    for tool, s in state.items():
        walls, rss, cpus = s["walls"], [r for r in s["rss"] if r is not None], s["cpus"]
        by_path, by_file = normalise(s["groups"], info)
        yield tool, {
            "argv": s["argv"],
            "wall": statistics.median(walls) if walls and None not in walls else None,
            "walls": walls,
            "rss_kib": statistics.median(rss) if rss else None,
            "cpu": statistics.median(cpus) if cpus and None not in cpus else None,
            "codes": sorted(str(c) for c in s["codes"]),
            "groups": len(by_path),
            "by_path": by_path,
            "by_file": by_file,
            "stderr": s["stderr"],
        }


def measure_floor(cli, work):
    """Our peak memory without a catalogue, the least of three runs on an empty folder: the program's own
    floor, which the figure per file leaves out."""
    empty = work / "empty"
    empty.mkdir(exist_ok=True)
    return min(run_once([str(cli), "--", str(empty)], work, work / "base.out", work / "base.err", 30)[1]
               for _ in range(3))


def refresh_runs(repo, release_dir, windows_dir, with_windows, count, wine_count, timeout):
    """Runs refresh_bench on Qt (offscreen) and, With_windows, under Wine in Xvfb. Yields one outcome per
    backend as it is done: its label and entries, and either "not built", "timeout", a failure with
    its exit code and error output, or the figures the program printed."""
    runs = [("Qt 6, offscreen", count, [str(release_dir / "bench" / "refresh_bench"), str(count)],
             dict(os.environ, QT_QPA_PLATFORM="offscreen"))]
    if with_windows:
        runs.append(("Win32 under Wine (Xvfb)", wine_count,
                     ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", str(repo / "scripts" / "wine-run"),
                      str(windows_dir / "bench" / "refresh_bench.exe"), str(wine_count)], os.environ))
    for label, entries, argv, env in runs:
        outcome = {"label": label, "entries": entries}
        program = Path(argv[0] if label.startswith("Qt") else argv[-2])
        if not program.exists():
            yield dict(outcome, status="not built")
            continue
        start = time.perf_counter()
        try:
            proc = subprocess.run(argv, env=env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            yield dict(outcome, status="timeout")
            continue
        values = dict(kv.split("=", 1) for kv in proc.stdout.decode(errors="replace").split() if "=" in kv)
        if proc.returncode != 0 or "refresh_s" not in values:
            yield dict(outcome, status="failed", code=proc.returncode, stderr=proc.stderr)
            continue
        yield dict(outcome, status="done", values=values, whole=time.perf_counter() - start)


def window_search_runs(release_dir, cli, tree, runs, timeout):
    """The window's Search command (window_search_bench, Qt in Xvfb) and the command line's whole run on
    Tree, Runs times each in turn, warm. Gives the medians, or why there are none."""
    program = release_dir / "bench" / "window_search_bench"
    if not program.exists():
        return {"status": "not built"}
    window, scan, cli_walls = [], [], []
    for _ in range(runs + 1):
        try:
            proc = subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", str(program), str(tree)],
                                  capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return {"status": "timeout"}
        values = dict(kv.split("=", 1) for kv in proc.stdout.decode(errors="replace").split() if "=" in kv)
        if proc.returncode != 0 or "search_seconds" not in values:
            return {"status": "failed", "code": proc.returncode, "stderr": proc.stderr}
        start = time.perf_counter()
        subprocess.run([str(cli), "-0", str(tree)], stdout=subprocess.DEVNULL, timeout=timeout)
        cli_walls.append(time.perf_counter() - start)
        window.append(float(values["search_seconds"]))
        scan.append(float(values["scan_seconds"]))
    # The first round only warms the cache.
    return {"status": "done", "window": statistics.median(window[1:]), "scan": statistics.median(scan[1:]),
            "cli": statistics.median(cli_walls[1:])}
