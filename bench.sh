#!/usr/bin/env bash
# Builds the benchmarks (preset `bench`, release) and runs them. Every job runs beside a
# baseline doing the same job with the standard library or libc; the table gives both
# throughputs (median of the repetitions, CPU time) and ours / baseline.
# Extra arguments go to the benchmark program, e.g. --benchmark_filter=SplitText.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p build
cmake --preset bench >build/bench-configure.log 2>&1 || { cat build/bench-configure.log; exit 1; }
cmake --build --preset bench >/dev/null
out=build/bench/results.json
# The machine description (cores, caches, load) goes to stderr: show it above the table.
build/bench/bin/text_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@" 2>&1 >/dev/null | grep -v '^\*\*\*WARNING' || true
python3 - "$out" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
speed = {}
for run in runs:
    if run.get("aggregate_name") not in (None, "median"):
        continue
    name = run["run_name"]                     # Job_ours/16 or Job_baseline/16
    job, size = name.split("/")
    job, side = job.rsplit("_", 1)
    speed[(job, int(size), side)] = run["bytes_per_second"] / 1e9
print(f"{'job':24} {'input':>7} {'ours GB/s':>10} {'baseline GB/s':>14} {'ratio':>6}")
for (job, size, side) in sorted(speed, key=lambda k: (list(dict.fromkeys(j for j, _, _ in speed)).index(k[0]), k[1])):
    if side != "ours" or (job, size, "baseline") not in speed:
        continue
    ours, base = speed[(job, size, "ours")], speed[(job, size, "baseline")]
    print(f"{job:24} {str(size) + ' MiB':>7} {ours:10.2f} {base:14.2f} {ours / base:6.2f}")
print("ratio: ours / baseline throughput; above 1 is faster than the baseline.")
PY
