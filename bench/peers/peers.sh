#!/usr/bin/env bash
# glintwork-cli against the same scan-line transform done with ImageMagick 6 and with the
# libvips command-line tool, on one generated 2048x2048 picture, all in the same run. Every
# tool writes a 24-bit bitmap; the three outputs must be pixel-identical. Prints the speed
# ratios and the peak memory of each tool for scales 2 and 5.
#   bench/peers/peers.sh <build folder>
set -euo pipefail

build="${1:?usage: $0 <build folder>}"
cli="$build/src/cli/glintwork-cli"
convert=/usr/bin/convert          # not whatever "convert" comes first in PATH
vips=$(command -v vips || true)
timer=/usr/bin/time
side=2048
red=200
blue=10
back_hex=204060                  # gap-row colour, rr gg bb
scales=(2 5)

for tool in "$cli" "$convert" "$vips" "$timer"; do
  if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "peers: missing ${tool:-vips} (make bench-deps installs imagemagick, libvips-tools, time)" >&2
    exit 1
  fi
done
"$convert" -version | grep -q 'ImageMagick 6' || { echo "peers: $convert is no ImageMagick 6" >&2; exit 1; }

# Everything on a memory file system, so that no tool waits for a disk.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm="${TMPDIR:-/tmp}"
work=$(mktemp -d "$shm/glint-peers.XXXXXX")
trap 'rm -rf "$work"' EXIT

# ImageMagick's (and libvips' magicksave's) resource limits: Debian's policy refuses the
# scale-5 picture, so this run brings its own.
mkdir -p "$work/policy"
cat > "$work/policy/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
  <policy domain="resource" name="area" value="16GP"/>
  <policy domain="resource" name="disk" value="16GiB"/>
</policymap>
POLICY
export MAGICK_CONFIGURE_PATH="$work/policy"
export MAGICK_TMPDIR="$work"

# measure <label> <command...>: runs the command, adds its wall time to elapsed[label] and
# keeps the largest resident size in peak[label] (KiB).
declare -A elapsed peak
measure() {
  local label=$1
  shift
  local start=$EPOCHREALTIME
  "$timer" -f '%M' -o "$work/rss" "$@"
  local stop=$EPOCHREALTIME
  elapsed[$label]=$(awk -v a="$start" -v b="$stop" -v t="${elapsed[$label]:-0}" \
    'BEGIN { printf "%.6f", t + b - a }')
  local rss
  rss=$(tail -n 1 "$work/rss")
  if [ "$rss" -gt "${peak[$label]:-0}" ]; then peak[$label]=$rss; fi
}

# bmp_header <file>: "width height bits offset" of a bitmap's header.
bmp_header() {
  local f=$1
  local off width height bits
  off=$(od -An -t u4 -j 10 -N 4 "$f" | tr -d ' ')
  width=$(od -An -t d4 -j 18 -N 4 "$f" | tr -d ' ')
  height=$(od -An -t d4 -j 22 -N 4 "$f" | tr -d ' ')
  bits=$(od -An -t u2 -j 28 -N 2 "$f" | tr -d ' ')
  echo "$width $height $bits $off"
}

# same_pixels <a.bmp> <b.bmp>: both 24-bit, same size and row order, same pixel bytes.
same_pixels() {
  local a b
  read -r wa ha ba oa <<<"$(bmp_header "$1")"
  read -r wb hb bb ob <<<"$(bmp_header "$2")"
  if [ "$wa $ha $ba" != "$wb $hb $bb" ] || [ "$ba" != 24 ]; then
    echo "peers: $1 ($wa x $ha, $ba bits) and $2 ($wb x $hb, $bb bits) differ" >&2
    return 1
  fi
  # Rows of 3*width bytes are a multiple of 4 here, so the pixel data has no padding.
  cmp -s <(tail -c +$((oa + 1)) "$1") <(tail -c +$((ob + 1)) "$2")
}

"$convert" -size ${side}x${side} -seed 7 plasma:fractal -depth 8 -type TrueColor \
  "PNG24:$work/in.png"

run_cli() {
  local s=$1
  measure cli "$cli" -q -f -j 1 -s "$s" -r $red -b $blue -B "#$back_hex" \
    -o "$work/cli.bmp" "$work/in.png"
}

run_imagemagick() {
  local s=$1
  local pct_red pct_blue
  pct_red=$(awk -v v=$red 'BEGIN { printf "%.10f%%", v * 100 / 255 }')
  pct_blue=$(awk -v v=$blue 'BEGIN { printf "%.10f%%", v * 100 / 255 }')
  local big=$((side * s))
  # Gap colour everywhere, the sampled picture with red and blue set on their channels, and a
  # mask that lets the picture through on the first of every s rows (a 1 x s column, tiled
  # down and sampled across).
  measure imagemagick "$convert" \( -size "${big}x${big}" "xc:#$back_hex" \) \
    \( "$work/in.png" -sample "$((s * 100))%" \
       -channel R -evaluate set "$pct_red" -channel B -evaluate set "$pct_blue" +channel \) \
    \( -size 1x1 xc:white -size "1x$((s - 1))" xc:black -append -write mpr:rows +delete \
       -size "1x$big" tile:mpr:rows -sample "${big}x${big}!" \) \
    -composite -alpha off -type TrueColor "BMP3:$work/im.bmp"
}

run_vips() {
  local s=$1
  local big=$((side * s))
  local r=$((16#${back_hex:0:2})) g=$((16#${back_hex:2:2})) b=$((16#${back_hex:4:2}))
  local v="$work/v"
  mkdir -p "$v"
  measure vips "$vips" zoom "$work/in.png" "$v/zoom.v" "$s" "$s"
  measure vips "$vips" linear "$v/zoom.v" "$v/runs.v" "0 1 0" "$red 0 $blue" --uchar
  # Mask: 255 on the first row of every s, 0 on the gap rows.
  measure vips "$vips" xyz "$v/xy.v" 1 "$s"
  measure vips "$vips" extract_band "$v/xy.v" "$v/y.v" 1
  measure vips "$vips" relational_const "$v/y.v" "$v/row.v" equal 0
  measure vips "$vips" replicate "$v/row.v" "$v/mask.v" "$big" "$side"
  measure vips "$vips" black "$v/black.v" "$big" "$big" --bands 3
  measure vips "$vips" linear "$v/black.v" "$v/gaps.v" "1" "$r $g $b" --uchar
  measure vips "$vips" ifthenelse "$v/mask.v" "$v/runs.v" "$v/gaps.v" "$v/out.v"
  measure vips "$vips" magicksave "$v/out.v" "$work/vips.bmp" --format BMP3
  rm -rf "$v"
}

mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

status=0
for s in "${scales[@]}"; do
  elapsed=()
  peak=()
  run_cli "$s"
  run_imagemagick "$s"
  run_vips "$s"
  for other in im vips; do
    if ! same_pixels "$work/cli.bmp" "$work/$other.bmp"; then
      echo "peers: scale $s: glintwork-cli and $other outputs are not pixel-identical" >&2
      status=1
    fi
  done
  for tool in imagemagick vips; do
    awk -v s="$s" -v t="$tool" -v a="${elapsed[cli]}" -v b="${elapsed[$tool]}" \
      'BEGIN { printf "cli/%s scale=%d: %.1f (cli %.3f s, %s %.3f s)\n", t, s, b / a, a, t, b }'
  done
  echo "peak memory scale=$s: cli $(mib "${peak[cli]}") MiB," \
    "imagemagick $(mib "${peak[imagemagick]}") MiB, vips $(mib "${peak[vips]}") MiB"
  rm -f "$work"/*.bmp
done
exit $status
