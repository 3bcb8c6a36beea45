#!/usr/bin/env python3
"""Benchmark of zwillingsfeger-cli against fdupes, jdupes, rdfind, duff and rmlint.

Generates deterministic trees, builds an optimised zwillingsfeger-cli, runs every tool several times on
every tree with a warm cache and then with a cold one (the page cache dropped before every run, as root),
and prints one table per tree and cache: median wall time, peak memory, the ratio of each tool to ours,
and whether each tool found the same groups as ours; then ours against the fastest peer, warm and cold side
by side. Then it times the window side: the Search command in the window on the small tree against the
command line, and RefreshLists of a catalogue of a million entries, Qt offscreen and the Windows build
under Wine.

Nothing is ever deleted by the tools: rdfind runs with -dryrun true, rmlint writes its output into a
temporary folder (its scripts are never run), fdupes and jdupes only print.

Usage: bench/run.py [--runs 3] [--work /work/tmp/zwbench] [--keep-trees] [--quick] [--trees a,b]
                    [--caches warm,cold] [--million-limit 120]
"""

import argparse
import os
import shutil
import sys
import time
from pathlib import Path

# The benchmark's own modules sit beside this script; their compiled copies would only litter bench/.
sys.dont_write_bytecode = True

import measure  # noqa: E402
import report  # noqa: E402
import tools  # noqa: E402
import trees  # noqa: E402
from build import build  # noqa: E402

REPO = Path(__file__).resolve().parent.parent


# The trees of make-datasets.sh that --datasets adds, as the generator describes them.
DATASETS = {"small": "100,000 files, 963 MiB", "samesize": "22,000 files of a few sizes",
            "large": "40 files, 6.3 GiB"}


def arguments():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=3, help="timed runs per tool and tree (median), after one warm-up")
    ap.add_argument("--work", type=Path, default=Path("/work/tmp/zwbench"), help="where the trees are generated")
    ap.add_argument("--trees", default="small,large,prefix,onesize,hardlinks,usr-share,million",
                    help="which trees to run")
    ap.add_argument("--real", type=Path, default=Path("/usr/share"), help="the real tree")
    ap.add_argument("--datasets", type=Path,
                    help="also the trees small, samesize and large that make-datasets.sh made under this folder")
    ap.add_argument("--caches", default="warm,cold", help="warm, cold (dropped before every run; root) or both")
    ap.add_argument("--quick", action="store_true", help="small trees, for trying the script out")
    ap.add_argument("--keep-trees", action="store_true", help="keep the generated trees for the next run")
    ap.add_argument("--no-windows", action="store_true", help="skip the Windows build under Wine")
    ap.add_argument("--refresh-count", type=int, default=1_000_000, help="catalogue entries for RefreshLists")
    ap.add_argument("--wine-count", type=int, help="catalogue entries under Wine (default: --refresh-count)")
    ap.add_argument("--timeout", type=int, default=300, help="seconds before a single run is stopped")
    ap.add_argument("--million-limit", type=int, default=120,
                    help="seconds a tool may take on the million-file tree; one timed run there")
    ap.add_argument("--skip-build", action="store_true", help="use what build/cli-release holds")
    ap.add_argument("--cli", type=Path, help="time this zwillingsfeger-cli instead of build/cli-release's")
    return ap.parse_args()


def main():
    args = arguments()
    work = args.work.resolve()
    if str(work).startswith(str(REPO) + os.sep):
        sys.exit("run.py: generate the trees outside the repository")
    work.mkdir(parents=True, exist_ok=True)
    release_dir = REPO / "build" / "cli-release"
    windows_dir = REPO / "build" / "cli-windows"
    out = report.Report()
    log = out.log

    started = time.perf_counter()
    if not args.skip_build:
        build(REPO, release_dir, windows_dir, not args.no_windows)
    cli = args.cli.resolve() if args.cli else release_dir / "zwillingsfeger-cli"
    table, missing = tools.available(cli)
    report.header(log, " ".join(sys.argv[1:]), args.runs, tools.versions(table), missing, table, cli)

    specs = trees.tree_specs(args.quick)
    wanted = args.trees.split(",")
    if args.datasets:
        wanted += [f"datasets-{name}" for name in DATASETS if (args.datasets / name).is_dir()]
    all_results = {}
    all_modes = {}
    if not Path(measure.GNU_TIME).exists():
        sys.exit("run.py: GNU time is needed for the peak memory: apt-get install -y time")
    base_rss = measure.measure_floor(cli, work)
    log(f"Load average at the start: {' '.join(f'{x:.1f}' for x in os.getloadavg())} (other work on the machine "
        f"slows the wall times; the CPU column is less affected).")
    for name in wanted:
        if name == "usr-share":
            tree, description = args.real, f"the real tree {args.real}"
        elif name.startswith("datasets-"):
            tree = args.datasets / name.removeprefix("datasets-")
            description = f"make-datasets.sh's {name.removeprefix('datasets-')}: {DATASETS[name.removeprefix('datasets-')]}"
        else:
            t0 = time.perf_counter()
            tree, made = trees.ensure_tree(work, name, specs[name])
            description = specs[name][2]
            if made:
                log(f"  generated {name} in {time.perf_counter() - t0:.1f} s", console_only=True)
        files, size = trees.tree_summary(tree)
        report.tree_heading(log, name, tree, description, files, size)
        all_modes[name] = {}
        # The million-file tree takes the slower peers minutes a run: one timed run, within a limit.
        runs, timeout = (1, args.million_limit) if name == "million" else (args.runs, args.timeout)
        for mode in args.caches.split(","):
            results = {}
            for tool, result in measure.measure_tree(name, tree, table, runs, work, timeout,
                                                     cold=mode == "cold"):
                results[tool] = result
                report.tool_done(log, tool, result)
            report.tree_table(log, results, mode)
            all_modes[name][mode] = (results, files)
            if mode == args.caches.split(",")[0]:
                all_results[name] = (results, files)
        if name == "hardlinks":
            report.link_report(log, all_results[name][0], tree)

    report.side_by_side(log, all_modes)
    report.summary(log, all_results, base_rss)
    if "small" in wanted:
        report.window_search(log, measure.window_search_runs(release_dir, cli, work / "small", args.runs,
                                                             args.timeout), work / "small")
    timeout = args.timeout * 2
    report.refresh_table(log, measure.refresh_runs(REPO, release_dir, windows_dir, not args.no_windows,
                                                   args.refresh_count, args.wine_count or args.refresh_count,
                                                   timeout), timeout)

    log(f"\nWhole run: {(time.perf_counter() - started) / 60:.1f} minutes.")
    out.write(work / "report.md")
    print(f"\n(report written to {work / 'report.md'})")
    if not args.keep_trees:
        for name in wanted:
            if name in specs and (work / name).exists():
                shutil.rmtree(work / name)
                (work / f"{name}.stamp").unlink(missing_ok=True)
        shutil.rmtree(work / "out", ignore_errors=True)


if __name__ == "__main__":
    main()
