#!/usr/bin/env bash
# Moving pictures, measured in one run:
#  - glintwork-cli --stream at scale 2 on 1920x1080 ppm frames (3840x2160 out) from a file to
#    /dev/null, on one core: frames per second, and the ratio of its time to cat's of the same
#    output bytes (the floor: moving the bytes at all); peak memory for N and 2N frames, which
#    stays flat when the stream runs in constant memory.
#  - GIF output: glintwork-cli on an animated GIF against gifsicle -O2 of the same rendered
#    frames (given unoptimised, every frame whole): size and time, and both files decode to
#    the same frames.
# Timings are the median of several rounds (GLINT_MOTION_ROUNDS, 3 by default).
#   bench/motion/motion.sh <build folder>
set -euo pipefail

build="${1:?usage: $0 <build folder>}"
cli="$build/src/cli/glintwork-cli"
timer=/usr/bin/time
rounds="${GLINT_MOTION_ROUNDS:-3}"
frames="${GLINT_MOTION_FRAMES:-60}"
for tool in "$cli" "$timer" "$(command -v ffmpeg || true)" "$(command -v gifsicle || true)"; do
  if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "motion: missing ${tool:-ffmpeg or gifsicle} (make bench-deps installs them)" >&2
    exit 1
  fi
done
pin=()
command -v taskset >/dev/null && pin=(taskset -c 0)

work=$(mktemp -d "${TMPDIR:-/tmp}/glint-motion.XXXXXX")
trap 'rm -rf "$work"' EXIT

wall() {
  local start=$EPOCHREALTIME
  "$@" || { echo "motion: failed: $*" >&2; return 1; }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
stream() { "${pin[@]}" "$cli" -q --stream -s 2 --format ppm -o - - <"$1" >"$2"; }
copy() { "${pin[@]}" cat "$1" >/dev/null; }
peak() { "$timer" -f '%M' -o "$work/rss" "${pin[@]}" "$cli" -q --stream -s 2 -o - - \
  <"$1" >/dev/null && cat "$work/rss"; }

# --- the stream: 1920x1080 ppm frames, scaled 2
ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=30" -frames:v "$frames" \
  -f image2pipe -c:v ppm "$work/in.ppm"
ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=30" -frames:v $((frames * 2)) \
  -f image2pipe -c:v ppm "$work/twice.ppm"
stream "$work/in.ppm" "$work/out.ppm"
bytes=$(stat -c %s "$work/out.ppm")
tool=() floor=()
for ((round = 0; round < rounds; round++)); do
  tool+=("$(wall stream "$work/in.ppm" /dev/null)")
  floor+=("$(wall copy "$work/out.ppm")")
done
t=$(printf '%s\n' "${tool[@]}" | median)
c=$(printf '%s\n' "${floor[@]}" | median)
rss1=$(peak "$work/in.ppm")
rss2=$(peak "$work/twice.ppm")
rm -f "$work/out.ppm" "$work/twice.ppm"
awk -v n="$frames" -v t="$t" -v c="$c" -v b="$bytes" -v r1="$rss1" -v r2="$rss2" 'BEGIN {
  printf "stream 1920x1080 x2 ppm -> /dev/null, one core: %.1f frames/s (%d frames in %.3f s; target 60)\n", n / t, n, t
  printf "  floor: cat of the same %.0f MiB of output %.3f s (%.1f frames/s); tool/cat %.2fx (target 1.5x)\n", b / 1048576, c, n / c, t / c
  printf "  peak memory: %.0f MiB for %d frames, %.0f MiB for %d\n", r1 / 1024, n, r2 / 1024, 2 * n
}'

# --- GIF: an animation of 40 frames of 480x270 and 256 colours, scaled 2 (960x540). gifsicle
# gets the same rendered frames, each a whole one-frame GIF (written by the tool with --frame),
# and merges and optimises them with the input's delay and loop.
ffmpeg -v error -f lavfi -i "testsrc=size=480x270:rate=10:duration=4" \
  -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$work/in.gif"
count=40
for ((k = 1; k <= count; k++)); do
  "$cli" -q -s 2 --frame "$k" -o "$(printf '%s/frame-%03d.gif' "$work" "$k")" "$work/in.gif"
done
ours=() theirs=()
for ((round = 0; round < rounds; round++)); do
  rm -f "$work/ours.gif"
  ours+=("$(wall "$cli" -q -j 1 -s 2 -o "$work/ours.gif" "$work/in.gif")")
  theirs+=("$(wall gifsicle -O2 --delay 10 --loopcount=forever "$work"/frame-*.gif -o "$work/gifsicle.gif")")
done
to=$(printf '%s\n' "${ours[@]}" | median)
tg=$(printf '%s\n' "${theirs[@]}" | median)
so=$(stat -c %s "$work/ours.gif")
sg=$(stat -c %s "$work/gifsicle.gif")
ffmpeg -v error -i "$work/ours.gif" -f framemd5 "$work/ours.md5"
ffmpeg -v error -i "$work/gifsicle.gif" -f framemd5 "$work/gifsicle.md5"
same="DIFFERENT FRAMES"
cmp -s <(grep -v '^#' "$work/ours.md5" | cut -d, -f2-) <(grep -v '^#' "$work/gifsicle.md5" | cut -d, -f2-) &&
  same="the same frames"
awk -v to="$to" -v tg="$tg" -v so="$so" -v sg="$sg" -v same="$same" 'BEGIN {
  printf "gif 480x270 x2, 40 frames: glintwork-cli %.0f KiB in %.3f s (decode, render, encode); gifsicle -O2 of the same frames %.0f KiB in %.3f s (merge, optimise)\n", so / 1024, to, sg / 1024, tg
  printf "  size ours/gifsicle %.2fx, time ours/gifsicle %.2fx; %s\n", so / sg, to / tg, same
}'
