"""Building what the benchmark runs: an optimised zwillingsfeger-cli, refresh_bench and
window_search_bench, and the Windows build's refresh_bench.exe."""

import subprocess
import sys


def build(repo, release_dir, windows_dir, with_windows):
    """The optimised CLI must build; the window benchmark is skipped when its build fails."""
    quiet = dict(stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "-S", str(repo), "-B", str(release_dir), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DZW_SANITIZE=OFF", "-DZW_TESTS=OFF", "-DCMAKE_CXX_FLAGS="], check=True, **quiet)
    subprocess.run(["ninja", "-C", str(release_dir), "-j2", "zwillingsfeger-cli"], check=True, **quiet)
    if subprocess.run(["ninja", "-C", str(release_dir), "-j2", "refresh_bench", "window_search_bench"],
                      **quiet).returncode != 0:
        print("run.py: refresh_bench or window_search_bench (Qt) did not build", file=sys.stderr)
    if with_windows:
        ok = subprocess.run(["cmake", "-S", str(repo), "-B", str(windows_dir), "-G", "Ninja",
                             f"-DCMAKE_TOOLCHAIN_FILE={repo / 'cmake' / 'mingw-w64.cmake'}",
                             "-DCMAKE_BUILD_TYPE=Release", "-DZW_TESTS=OFF"], **quiet).returncode == 0
        if not ok or subprocess.run(["ninja", "-C", str(windows_dir), "-j2", "refresh_bench"], **quiet).returncode:
            print("run.py: refresh_bench.exe (Win32) did not build", file=sys.stderr)
