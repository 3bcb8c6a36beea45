#!/bin/bash
# Times the first search of a tree on a disk that is throttled like a spinning one: the tools run in a
# block-I/O group that lets through at most BPS bytes and IOPS requests a second on the tree's disk, the
# page cache dropped before every run. Unlike disk_model.py, each tool meets the slow disk as it reads, so
# that the reader pool reacts to it. Root only; cgroup v1 (blkio) or v2 (io).
#   bench/throttled_disk.sh TREE [ROUNDS] [CLI]
# Environment: BPS (default 150000000), IOPS (default 150), TOOLS (default "pool one jdupes").
set -euo pipefail
tree=$1
rounds=${2:-3}
cli=${3:-build/cli-release/zwillingsfeger-cli}
bps=${BPS:-150000000}
iops=${IOPS:-150}
# The whole disk, not a partition of it: the requests are throttled where they go.
source=$(findmnt -no SOURCE --target "$tree")
parent=$(lsblk -no PKNAME "$source" | head -1 | tr -d ' ')
[ -n "$parent" ] && source=/dev/$parent
device=$(lsblk -dno MAJ:MIN "$source" | tr -d ' ')

if [ -d /sys/fs/cgroup/blkio ]; then
    group=/sys/fs/cgroup/blkio/zw-throttled
    mkdir -p "$group"
    echo "$device $bps" > "$group/blkio.throttle.read_bps_device"
    echo "$device $iops" > "$group/blkio.throttle.read_iops_device"
else
    group=/sys/fs/cgroup/zw-throttled
    echo +io > /sys/fs/cgroup/cgroup.subtree_control 2>/dev/null || true
    mkdir -p "$group"
    echo "$device rbps=$bps riops=$iops" > "$group/io.max"
fi

run() {
    sync
    echo 3 > /proc/sys/vm/drop_caches
    local started ended
    started=$(date +%s.%N)
    bash -c 'echo $$ > "$0/cgroup.procs"; shift; exec "$@" >/dev/null 2>&1' \
        "$group" - "$@"
    ended=$(date +%s.%N)
    printf "%.2f s" "$(echo "$ended - $started" | bc)"
}

echo "tree $tree; device $device throttled to $bps bytes and $iops requests a second"
for round in $(seq 1 "$rounds"); do
    line="round $round"
    for tool in ${TOOLS:-pool one jdupes}; do
        case $tool in
            pool) line="$line | pool $(run "$cli" -0 -- "$tree")" ;;
            one) line="$line | one reader $(run "$cli" --threads 1 -0 -- "$tree")" ;;
            *) line="$line | $tool $(run "$tool" -r -q "$tree")" ;;
        esac
    done
    echo "$line"
done
