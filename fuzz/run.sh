#!/usr/bin/env bash
# Runs every fuzz harness of a GLINT_FUZZ build for a number of seconds each, one after the
# other, and prints executions per second per harness.
#   fuzz/run.sh BUILD SECONDS [HARNESS...]
# FUZZ_SEED set: every harness starts from that random seed, so that a run on the same code
# explores the same inputs (CI); unset, each run explores afresh.
# Corpora grow in BUILD/fuzz-corpus/<harness> (seeded from fuzz/corpus/<harness>); an input
# that crashes, hangs or breaks a check is saved in BUILD/fuzz-findings/<harness>/ and makes
# the run fail.
set -uo pipefail

build=${1:?usage: fuzz/run.sh BUILD SECONDS [HARNESS...]}
seconds=${2:?usage: fuzz/run.sh BUILD SECONDS [HARNESS...]}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd)
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for f in "$build"/fuzzers/fuzz_*; do harnesses+=("$(basename "$f")"); done
fi

# One input may take at most this long (a hang is a finding) and this much memory. Single
# allocations over 2 GiB fail as they do in the metafile helper under its address-space limit
# (libwmf asks for gigabytes when a header's sizes are damaged, and copes with the refusal).
per_input_seconds=10
rss_limit_mb=2560
# A finding's input is printed (base64) up to this size.
max_shown_input_bytes=8192
export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=2048:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/../scripts/lsan.supp
export QT_QPA_PLATFORM=offscreen

seed_option=()
[ -n "${FUZZ_SEED:-}" ] && seed_option=(-seed="$FUZZ_SEED")

failed=0
printf '%-22s %12s %10s %8s\n' harness executions exec/s result
for h in "${harnesses[@]}"; do
  corpus=$build/fuzz-corpus/$h
  findings=$build/fuzz-findings/$h
  log=$build/fuzz-logs/$h.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  seeds=()
  [ -d "$here/corpus/$h" ] && seeds=("$here/corpus/$h")
  "$build/fuzzers/$h" -max_total_time="$seconds" -timeout="$per_input_seconds" \
    -rss_limit_mb="$rss_limit_mb" -print_final_stats=1 -artifact_prefix="$findings/" \
    -close_fd_mask=3 "${seed_option[@]}" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  result=ok
  if [ $status -ne 0 ]; then
    result=FINDING
    failed=1
  fi
  printf '%-22s %12s %10s %8s\n' "$h" "${runs:-?}" "${rate:-?}" "$result"
  if [ $status -ne 0 ]; then
    # The report and the input itself, so that a finding on a throw-away machine can be
    # reproduced from its log alone.
    sed -n '/ERROR\|runtime error\|deadly signal\|timeout/,/^SUMMARY/p' "$log" | head -60
    for f in "$findings"/*; do
      [ -f "$f" ] || continue
      if [ "$(stat -c %s "$f")" -le "$max_shown_input_bytes" ]; then
        echo "input $(basename "$f") (base64):"
        base64 "$f"
      else
        echo "input $(basename "$f"): $(stat -c %s "$f") bytes, not shown"
      fi
    done
  fi
done
[ $failed -eq 0 ] || echo "findings saved in $build/fuzz-findings; logs in $build/fuzz-logs"
exit $failed
