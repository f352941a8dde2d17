#!/usr/bin/env bash
# glintwork-cli with long --files-from lists: the cost per name must not grow with the list, and
# memory must not grow with it beyond a small amount per file converted. Two lists of names
# of files that do not exist (each name fails on its own: the list, the output plan, the
# workers and the report are all that run) and two lists of hard links to one 1x1 picture
# (each one converted). Prints per list the time per name and the peak memory, then the ratios
# of the long list to the short one, measured in the same run on a memory file system: about 1
# for the time per name, and a small number of bytes per name.
#   bench/list/list.sh <build folder>
#   (GLINT_LIST_MISSING="100000 1000000" and GLINT_LIST_TINY="5000 50000" for other sizes)
set -euo pipefail

build="${1:?usage: $0 <build folder>}"
cli=$(realpath "$build/src/cli/glintwork-cli")
timer=/usr/bin/time
read -r -a missing <<<"${GLINT_LIST_MISSING:-100000 1000000}"
read -r -a tiny <<<"${GLINT_LIST_TINY:-5000 50000}"

for tool in "$cli" "$timer"; do
  [ -x "$tool" ] || { echo "list: missing $tool (make bench-deps installs time)" >&2; exit 1; }
done
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm="${TMPDIR:-/tmp}"
work=$(mktemp -d "$shm/glint-list.XXXXXX")
trap 'rm -rf "$work"' EXIT

# measure <label> <names> <list file> [options...]: one run; prints the label, the wall and CPU
# time (user and system, all threads: on a shared machine the steadier figure) per name and the
# peak memory, and leaves "<CPU seconds per name> <KiB>" in $work/last.
measure() {
  local label=$1 names=$2 list=$3
  shift 3
  local status=0
  "$timer" -f '%e %U %S %M' -o "$work/usage" "$cli" -q -j 2 "$@" -0 --files-from "$list" \
    >/dev/null 2>"$work/err" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "list: $label: glintwork-cli ended with $status: $(tail -n 2 "$work/err")" >&2
    exit 1
  fi
  # time notes a non-zero exit on a line of its own before the figures.
  read -r wall user system kib < <(tail -n 1 "$work/usage")
  awk -v l="$label" -v n="$names" -v w="$wall" -v u="$user" -v s="$system" -v k="$kib" 'BEGIN {
    cpu = u + s
    printf "%s: %d names, %.2f s, %.2f us wall and %.2f us CPU per name, peak %.1f MiB\n",
      l, n, w, w / n * 1e6, cpu / n * 1e6, k / 1024
    printf "%.9f %d\n", cpu / n, k > "/dev/stderr" }' 2>"$work/last"
}

# compare <label> <short result> <long result> <short names> <long names>
compare() {
  read -r s1 k1 <<<"$2"
  read -r s2 k2 <<<"$3"
  awk -v l="$1" -v s1="$s1" -v s2="$s2" -v k1="$k1" -v k2="$k2" -v n1="$4" -v n2="$5" 'BEGIN {
    printf "%s: CPU per name long/short %.2f; memory long/short %.2f, %.0f bytes per extra name\n",
      l, s2 / s1, k2 / k1, (k2 - k1) * 1024 / (n2 - n1) }'
}

results=()
for n in "${missing[@]}"; do
  awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "gone/%07d.png%c", i, 0 }' >"$work/missing.list"
  measure "missing" "$n" "$work/missing.list"
  results+=("$(cat "$work/last")")
done
compare "missing" "${results[0]}" "${results[1]}" "${missing[0]}" "${missing[1]}"

# A 1x1 bitmap: 54 header bytes and one padded row.
printf 'BM:\0\0\0\0\0\0\0006\0\0\0(\0\0\0\001\0\0\0\001\0\0\0\001\0\030\0\0\0\0\0\004\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\377\0\0\0' \
  >"$work/one.bmp"
results=()
for n in "${tiny[@]}"; do
  rm -rf "$work/tiny" && mkdir "$work/tiny" "$work/tiny/out"
  (cd "$work/tiny" && awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) printf "%07d.bmp\n", i }' |
    xargs -n 1000 sh -c 'for f; do ln ../one.bmp "$f"; done' sh)
  (cd "$work/tiny" && find . -maxdepth 1 -name '*.bmp' -print0) >"$work/tiny.list"
  (cd "$work/tiny" && measure "tiny" "$n" "$work/tiny.list" -o out)
  results+=("$(cat "$work/last")")
  produced=$(find "$work/tiny/out" -type f | wc -l)
  [ "$produced" -eq "$n" ] || { echo "list: tiny: $produced outputs for $n names" >&2; exit 1; }
done
compare "tiny" "${results[0]}" "${results[1]}" "${tiny[0]}" "${tiny[1]}"
