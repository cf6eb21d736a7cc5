#!/usr/bin/env bash
# Runs one libFuzzer target of fuzz/ for a number of seconds:
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is a fuzz/<TARGET>_fuzz.cpp (document, library_files, bmp, params,
# import, script), or "list". The seeds of fuzz/corpus/TARGET/ are read; what
# the run learns goes to build/fuzz/corpus/TARGET/, findings to
# build/fuzz/findings/TARGET/. Exits non-zero on a finding, with the
# reproducer's path; prints the executions and the coverage reached.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
morfel_need_packages "${MORFEL_FUZZ_PACKAGES[@]}"

if [ "${1:-}" = list ] || [ $# -lt 2 ]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options...]; targets:"
  for source in fuzz/*_fuzz.cpp; do basename "$source" _fuzz.cpp; done
  [ "${1:-}" = list ]
  exit $?
fi
target=$1
seconds=$2
shift 2
[ -f "fuzz/${target}_fuzz.cpp" ] || { echo "no fuzz target $target" >&2; exit 2; }

mkdir -p build
cmake --preset fuzz >build/fuzz-configure.log 2>&1 || { cat build/fuzz-configure.log; exit 1; }
cmake --build --preset fuzz --target "${target}_fuzz" -j "$(nproc)" >build/fuzz-build.log 2>&1 || {
  tail -n 40 build/fuzz-build.log
  exit 1
}
work=build/fuzz/corpus/$target
findings=build/fuzz/findings/$target
mkdir -p "$work" "$findings"
log=build/fuzz/$target.log
set +e
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
  "build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
  -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" "$@" \
  "$work" "fuzz/corpus/$target" >"$log" 2>&1
status=$?
set -e
executions=$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
coverage=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -o 'cov: [0-9]* ft: [0-9]*' || true)
echo "fuzz $target: ${executions:-?} executions in $seconds s, $coverage"
if [ $status -ne 0 ]; then
  grep -E 'ERROR|property broken|Test unit written|SUMMARY' "$log" | head -n 20
  echo "(the whole log: $log)"
fi
exit $status
