#!/usr/bin/env bash
# bench/fuzz/run.sh [SECONDS] [TARGET[:SECONDS]...]: builds the fuzz targets into build-fuzz/
# (clang, ASan + UBSan, libFuzzer) and runs each for SECONDS (default 60; a target's own
# :SECONDS overrides it, so slow targets can be given more time) on one core, starting from
# seed corpora made of the project's own files. Prints, per target, the executions, the rate
# and the findings; crash inputs are kept in build-fuzz/findings/TARGET/. LANES=N runs N
# targets at a time (default 1); NICE=N runs them at that niceness (default 0).
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(settings catalogue lyrics_display lyrics_setter lyrics_editor font_list text scenario
           cue virtual_drive)
fi

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -g" \
  -DCMAKE_CXX_COMPILER=clang++ -DLIRAFOK_FUZZ=ON "${launcher[@]}" >/dev/null
names=("${targets[@]%%:*}")
cmake --build build-fuzz -j2 -- $(printf 'fuzz_%s ' "${names[@]}") >/dev/null

seeds=build-fuzz/seeds
rm -rf "$seeds"
python3 bench/fuzz/seeds.py . "$seeds"

run_one() {
  local t=${1%%:*} seconds=$seconds
  [[ $1 == *:* ]] && seconds=${1##*:}
  local corpus=build-fuzz/corpus/$t findings=build-fuzz/findings/$t log=build-fuzz/fuzz_$t.log
  mkdir -p "$corpus" "$findings" "$seeds/$t"
  # -max_len 64 KiB: the readers' limits are far larger, but the interesting structure lies
  # in the first lines. Leaks are reported too (detect_leaks).
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    nice -n "${NICE:-0}" "build-fuzz/bench/fuzz/fuzz_$t" -max_total_time="$seconds" \
    -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$seeds/$t" >"$log" 2>&1 || true
}
export -f run_one
export seconds seeds
printf '%s\n' "${targets[@]}" | xargs -P "${LANES:-1}" -I{} bash -c 'run_one {}'

printf '%-16s %12s %10s %9s\n' target executions exec/s findings
for t in "${names[@]}"; do
  log=build-fuzz/fuzz_$t.log
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  secs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(find "build-fuzz/findings/$t" -type f | wc -l)
  printf '%-16s %12s %10s %9s\n' "$t" "${execs:-?}" "${secs:-?}" "$found"
done
rm -rf /dev/shm/lirafok-fuzz-*
