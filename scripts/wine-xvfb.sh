#!/usr/bin/env bash
# Runs a command on a private virtual display with one wine server kept alive while it runs, so that
# Windows test programs start quickly one after another and their windows have a screen:
#   scripts/wine-xvfb.sh scripts/wine-run build/<dir>/tests/zw_gui_tests.exe
#   scripts/wine-xvfb.sh ctest --test-dir build/<dir> --output-on-failure
# ZW_SCREEN sets the screen (default 1280x1024x24). The prefix is the display's (see scripts/wine-run).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec xvfb-run -a -s "-screen 0 ${ZW_SCREEN:-1280x1024x24} -nolisten tcp" bash -c '
    # The server outlives each program by ten seconds and ends by itself after the last one; a
    # server already running for the prefix is used as it is. The first wine-run prepares the prefix.
    "$0/wine-run" --server -p10 >/dev/null 2>&1 || true
    "$0/wine-run" cmd /c exit >/dev/null 2>&1 || true
    "$@"' "$here" "$@"
