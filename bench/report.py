"""The report: one table per tree, the hard-link behaviour, the summary of groups and memory and the
window side's table, printed as they come and kept for report.md."""

import os
from pathlib import Path

import measure
from measure import PathInfo, link_behaviour

MIB = 1024 * 1024


class Report:
    """Lines for the console and for report.md; some are for the console only."""

    def __init__(self):
        self.lines = []

    def log(self, line="", console_only=False):
        print(line, flush=True)
        if not console_only:
            self.lines.append(line)

    def write(self, path):
        path.write_text("\n".join(self.lines) + "\n")


def fmt_time(t):
    # Runs of a few milliseconds keep a fourth decimal, or ours and a peer's would print alike.
    return "timeout" if t is None else f"{t:.4f}" if t < 0.1 else f"{t:.3f}"



def header(log, command, runs, versions, missing, table, cli):
    log(f"# zwillingsfeger-cli benchmark\n")
    log(f"Command: `bench/run.py {command}`; {runs} timed rounds after one untimed run of each tool (warm: more "
        f"where the quickest tool's median is short, up to {measure.MOST_ROUNDS}, so that its timed runs add up to about "
        f"{measure.QUICK_SECONDS} s), every tool once a round, in turn; median; warm: "
        f"the page cache holds the tree; cold: dropped before every run; peak RSS is GNU time's %M.")
    log(f"Machine: {os.cpu_count()} cores, {os.sysconf('SC_PAGE_SIZE') * os.sysconf('SC_PHYS_PAGES') / 2**30:.1f} GiB; "
        f"peers: {'; '.join(versions)}{'; missing: ' + ', '.join(missing) if missing else ''}.")
    log("\nTool commands (TREE is the tree, OUT a temporary folder):\n")
    for tool, make in table.items():
        argv, _, _ = make(Path("TREE"), Path("OUT"))
        log(f"- {tool}: `{' '.join(a if a != str(cli) else 'build/cli-release/zwillingsfeger-cli' for a in argv)}`")


def tree_heading(log, name, tree, description, files, size):
    log(f"\n## {name}: {description}\n")
    log(f"`{tree}`: {files:,} files, {size / MIB:,.1f} MiB\n")


def tool_done(log, tool, r):
    log(f"  {tool}: {fmt_time(r['wall'])} s, {r['rss_kib']} KiB, {r['groups']} groups, exit {r['codes']}", console_only=True)


def tree_table(log, results, mode="warm"):
    ours = results["zwillingsfeger-cli"]
    log(f"{mode.capitalize()} cache, {len(ours['walls'])} timed rounds:\n")
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


def link_report(log, results, tree):
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


def fastest_peer(results):
    peers = [t for t in results if t != "zwillingsfeger-cli" and results[t]["wall"] is not None]
    return min(peers, key=lambda t: results[t]["wall"]) if peers else None


def leanest_peer(results):
    peers = [t for t in results if t != "zwillingsfeger-cli" and results[t]["rss_kib"]]
    return min(peers, key=lambda t: results[t]["rss_kib"]) if peers else None


def fmt_mib(kib):
    return "—" if not kib else f"{kib / 1024:.1f}"


def side_by_side(log, all_modes):
    """Ours against the fastest peer's time and the leanest peer's peak memory on every tree, warm and cold
    side by side."""
    modes = list(next(iter(all_modes.values())).keys()) if all_modes else []
    log("\n## Warm and cold side by side\n")
    log("| tree | " + " | ".join(f"{m}: ours s | {m}: fastest peer s | {m}: ours / peer | {m}: ours MiB | "
                                 f"{m}: leanest peer MiB" for m in modes) + " |")
    log("|---|" + "---:|---|---:|---:|---|" * len(modes))
    for name, by_mode in all_modes.items():
        cells = []
        for m in modes:
            results = by_mode[m][0]
            ours, peer, lean = results["zwillingsfeger-cli"], fastest_peer(results), leanest_peer(results)
            if peer and ours["wall"]:
                cells += [fmt_time(ours["wall"]), f"{peer} {fmt_time(results[peer]['wall'])}",
                          f"{ours['wall'] / results[peer]['wall']:.2f}"]
            else:
                cells += [fmt_time(ours["wall"]), "—", "—"]
            cells += [fmt_mib(ours["rss_kib"]), f"{lean} {fmt_mib(results[lean]['rss_kib'])}" if lean else "—"]
        log(f"| {name} | " + " | ".join(cells) + " |")


def window_search(log, outcome, tree):
    log(f"\n## Window side: the Search command on {tree}\n")
    if outcome["status"] != "done":
        log(f"window_search_bench: {outcome['status']} {outcome.get('stderr', b'').decode(errors='replace')[:200]}")
        return
    log("| the window's Search, click to heading (Qt, Xvfb) s | zwillingsfeger-cli, whole run s | window / command line |")
    log("|---:|---:|---:|")
    log(f"| {outcome['window']:.3f} | {outcome['cli']:.3f} | {outcome['window'] / outcome['cli']:.2f} |")
    log(f"\n(The window's scan, not in the figure: {outcome['scan']:.3f} s.)")


def summary(log, all_results, base_rss):
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


def refresh_table(log, outcomes, timeout):
    log(f"\n## Window side: RefreshLists(REFRESH_FILES) over synthetic catalogue entries\n")
    log("| backend | entries | catalogue bytes/entry | refresh s | µs per row | second refresh s | "
        "refresh with WM_SETREDRAW off s | peak RSS MiB |")
    log("|---|---:|---:|---:|---:|---:|---:|---:|")
    for o in outcomes:
        label, entries = o["label"], o["entries"]
        if o["status"] == "not built":
            log(f"| {label} | not built | | | | | | |")
        elif o["status"] == "timeout":
            log(f"| {label} | {entries:,} | timeout after {timeout} s | | | | | |")
        elif o["status"] == "failed":
            log(f"| {label} | failed (exit {o['code']}): {o['stderr'].decode(errors='replace').strip()[:200]} "
                f"| | | | | | |")
        else:
            values = o["values"]
            per_row = float(values["refresh_s"]) * 1e6 / max(int(values["rows"]), 1)
            log(f"| {label} | {int(values['rows']):,} | {values['catalogue_bytes_per_entry']} | {values['refresh_s']} | "
                f"{per_row:.1f} | {values['second_refresh_s']} | {values.get('noredraw_refresh_s', '—')} | "
                f"{values.get('peak_rss_mib', '—')} |")
            log(f"  ({label}: whole process {o['whole']:.1f} s)", console_only=True)
