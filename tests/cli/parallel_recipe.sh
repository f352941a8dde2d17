#!/usr/bin/env bash
# The README's recipe for spreading a batch over machines with GNU parallel, run on this
# machine alone (--sshlogin :): every output must be the one glintwork-cli writes directly.
#   usage: parallel_recipe.sh GLINTWORK-CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
PATH=$(dirname "$cli"):$PATH
export PATH

mkdir pictures reference
# Five small pictures, one with a blank in its name; made by the tool itself from a text picture.
printf 'P3\n3 2\n255\n255 0 0  0 255 0  0 0 255\n9 99 199  250 128 3  0 0 0\n' > seed.ppm
for name in a b "c d" e f; do cp seed.ppm "pictures/$name.ppm"; done
glintwork-cli -q -s 4 -o pictures/g.png seed.ppm

# The recipe, as in the README (there with host names in place of ':').
parallel --will-cite --sshlogin : --trc {.}-scanlines.bmp glintwork-cli -q {} ::: pictures/*.ppm pictures/*.png

status=0
count=0
for input in pictures/*.ppm pictures/*.png; do
  name=$(basename "${input%.*}")
  count=$((count + 1))
  glintwork-cli -q -o "reference/$name.bmp" "$input"
  if ! cmp -s "pictures/$name-scanlines.bmp" "reference/$name.bmp"; then
    echo "FAIL: $input: output missing or not what glintwork-cli writes" >&2
    status=1
  fi
done
[ "$count" -eq 6 ] || { echo "FAIL: $count inputs instead of 6" >&2; status=1; }
exit $status
