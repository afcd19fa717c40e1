#!/bin/sh
# Times `sondrel-convert --geometry` on the 20,000-record recording of the
# model pipe that PipeGeometryBench makes, and says what else the machine
# was running, since a busy core changes the figure.
# Goal: at least 20,000 records a second.
# Usage: bench/geometry-convert-timing.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build/release}
runs=${2:-5}
work=$(mktemp -d /tmp/geometry-timing-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The recording, kept by the benchmark of one thread's table.
GEOMETRY_BENCH_KEEP="$work/run.qzr" "$build/bin/PipeGeometryBench" --no-accuracy-table \
    --benchmark_filter='BM_GeometryTableOfAFile/threads:1' >/dev/null 2>&1
printf '[Pipe Geometry]\r\nNominal Diameter=0.600\r\n' >"$work/Sondrel.INI"
records=20000

echo "cores: $(nproc); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "busiest other processes:"
top -bn1 | awk 'NR > 7 && $9 + 0 >= 20 { print "  " $12 " " $9 "% nice " $4 }'

i=0
while [ "$i" -lt "$runs" ]; do
    i=$((i + 1))
    start=$(date +%s.%N)
    /usr/bin/time -f '%U %S' -o "$work/cpu" "$build/bin/sondrel-convert" \
        --settings "$work/Sondrel.INI" --geometry "$work/run.csv" -q "$work/run.qzr" >/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v n="$records" -v i="$i" -v cpu="$(cat "$work/cpu")" 'BEGIN {
        split(cpu, c, " ");
        printf "run %d: %.3f s, %.0f records/s, %.2f s of processor time\n", i, e - s, n / (e - s), c[1] + c[2]
    }'
done | tee "$work/runs"
awk '{ print $5 }' "$work/runs" | sort -n | awk '{ v[NR] = $1 } END { printf "median: %.0f records/s\n", v[int((NR + 1) / 2)] }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
