#!/usr/bin/env bash
# glintwork-cli against the floor the machine sets, measured in the same run, everything on a
# memory file system. The floor of a case is writing the same number of bytes with dd, plus
# the tool's own start (glintwork-cli --version), plus for a JPEG input its decode by djpeg
# (libjpeg-turbo). Prints one line per case with the ratio of the tool's time to the floor
# (median of several rounds; in each round every command runs once, so that a busy machine
# weighs on all of them alike) and the tool's peak memory.
#   bench/floor/floor.sh <build folder>      (GLINT_FLOOR_ROUNDS=n for another round count)
set -euo pipefail

build="${1:?usage: $0 <build folder>}"
cli="$build/src/cli/glintwork-cli"
convert=/usr/bin/convert          # not whatever "convert" comes first in PATH
djpeg=$(command -v djpeg || true)
timer=/usr/bin/time
rounds="${GLINT_FLOOR_ROUNDS:-7}"

for tool in "$cli" "$convert" "$djpeg" "$timer"; do
  if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "floor: missing ${tool:-djpeg} (make bench-deps installs imagemagick, libjpeg-turbo-progs, time)" >&2
    exit 1
  fi
done

shm=/dev/shm
if ! [ -d "$shm" ] || ! [ -w "$shm" ]; then
  shm="${TMPDIR:-/tmp}"
  echo "floor: no /dev/shm, measuring in $shm" >&2
fi
work=$(mktemp -d "$shm/glint-floor.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$convert" -size 2048x2048 -seed 7 plasma:fractal -depth 8 -type TrueColor "BMP3:$work/in.bmp"
"$convert" -size 4096x4096 -seed 7 plasma:fractal -depth 8 -quality 90 "$work/in.jpg"

# wall <command...>: prints the wall time of one run in seconds.
wall() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "floor: failed: $*" >&2; return 1; }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# run_case <label> <input> <scale>
run_case() {
  local label=$1 input=$2 scale=$3
  local out="$work/out.bmp" plain="$work/plain.bin"
  local convert_cmd=("$cli" -q -j 1 -s "$scale" -o "$out" "$input")
  rm -f "$out"
  "$timer" -f '%M' -o "$work/rss" "${convert_cmd[@]}"
  local bytes
  bytes=$(stat -c %s "$out")
  local -a tool=() dd=() start=() decode=()
  for ((round = 0; round < rounds; round++)); do
    rm -f "$out"
    tool+=("$(wall "${convert_cmd[@]}")")
    rm -f "$plain"
    dd+=("$(wall dd if=/dev/zero of="$plain" bs=1M count="$bytes" iflag=count_bytes)")
    start+=("$(wall "$cli" --version)")
    if [[ $input == *.jpg ]]; then decode+=("$(wall "$djpeg" -outfile /dev/null "$input")"); fi
  done
  rm -f "$out" "$plain"
  local t d s j
  t=$(printf '%s\n' "${tool[@]}" | median)
  d=$(printf '%s\n' "${dd[@]}" | median)
  s=$(printf '%s\n' "${start[@]}" | median)
  j=0
  if [ "${#decode[@]}" -gt 0 ]; then j=$(printf '%s\n' "${decode[@]}" | median); fi
  awk -v l="$label" -v t="$t" -v d="$d" -v s="$s" -v j="$j" -v b="$bytes" -v m="$(tail -n 1 "$work/rss")" \
    'BEGIN {
       floor = d + s + j
       detail = sprintf("dd %.3f s + start %.3f s", d, s)
       if (j > 0) detail = sprintf("djpeg %.3f s + %s", j, detail)
       printf "%s (%.0f MB): %.2f (cli %.3f s, floor %.3f s: %s; cli peak %.0f MiB)\n",
              l, b / 1e6, t / floor, t, floor, detail, m / 1024
     }'
}

run_case "2048x2048 bmp -> x5 bmp" "$work/in.bmp" 5
run_case "2048x2048 bmp -> x2 bmp" "$work/in.bmp" 2
run_case "4096x4096 jpg -> x2 bmp" "$work/in.jpg" 2
