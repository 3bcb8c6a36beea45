"""The tools side by side: how each is run, and the parsers that read the groups from its output."""

import re
import shutil
import subprocess

OURS = "zwillingsfeger-cli"


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


def available(cli):
    """The tools table without the peers that are not installed, and the names of those."""
    table = tools(cli)
    missing = [t for t in table if t != OURS and shutil.which(t) is None]
    for t in missing:
        del table[t]
    return table, missing


def versions(table):
    """'name version' of every installed peer, as the tool itself reports it."""
    found = []
    for tool, argv in [("fdupes", ["fdupes", "--version"]), ("jdupes", ["jdupes", "--version"]),
                       ("rdfind", ["rdfind", "--version"]), ("duff", ["duff", "-v"]), ("rmlint", ["rmlint", "--version"])]:
        if tool in table:
            p = subprocess.run(argv, capture_output=True)
            text = re.sub(r"\x1b\[[0-9;]*m", "", (p.stdout + p.stderr).decode(errors="replace"))
            number = re.search(r"\d+\.\d+(\.\d+)?", text)
            found.append(f"{tool} {number.group(0) if number else '?'}")
    return found
