"""The benchmark's trees. Every tree is a pure function of its parameters and seed; a stamp next to it
records them so that a second run of the benchmark reuses what it made before."""

import os
import random
import shutil

MIB = 1024 * 1024


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def gen_small(root, files, seed=1, mean=1500):
    """Many small files: a quarter exact copies of earlier files, a sixth same-size near copies that
    differ in one byte, 2 % empty files, the rest unique (Mean bytes on average), spread over nested
    folders."""
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
            size = min(int(rng.expovariate(1 / mean)) + 1, 64 * 1024)
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
    n_million = 20_000 if quick else 1_000_000
    return {
        "small": (gen_small, (n_small,), f"{n_small:,} small files, copies and same-size near copies"),
        "large": (gen_large, (large,), f"9 files of {large // MIB} MiB: equal, or differing in the first, a middle or the last byte"),
        "prefix": (gen_prefix, (n_prefix, prefix_size), f"{n_prefix:,} files of {prefix_size // 1024} KiB sharing all but the last 16 bytes"),
        "onesize": (gen_onesize, (n_onesize, 4096), f"{n_onesize:,} files of 4 KiB, half sharing their first 3 KiB"),
        "hardlinks": (gen_hardlinks, (), "300 files with hard links, copies and linked copies"),
        # Files of a few hundred bytes: the catalogue and the calls per file, not the reading, are measured.
        "million": (gen_small, (n_million, 6, 400), f"{n_million:,} files of about 400 bytes, copies and near copies"),
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
