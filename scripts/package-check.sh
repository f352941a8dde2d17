#!/usr/bin/env bash
# Installs the Debian package on this system, uses the programs from the PATH and removes the
# package again: what a user of a fresh Debian 12 does. Needs root, so run it in a throw-away
# system, e.g. from the project: ../shared/tools/fresh-debian.sh 'bash scripts/package-check.sh /dev/shm/x/glintwork_1.0.0_amd64.deb'
#   usage: scripts/package-check.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$(realpath "$1")
work=$(mktemp -d)
gui=
cleanup() { [ -n "$gui" ] && kill "$gui" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "package-check: FAILED: $*" >&2; exit 1; }
step() { echo "package-check: $*"; }
export DEBIAN_FRONTEND=noninteractive

# Little-endian field of `bytes` bytes at `offset` of a file, as an unsigned number.
field() { od -An -tu"$3" -j "$2" -N "$3" "$1" | tr -d ' '; }

step "installing $deb"
apt-get update -q >/dev/null
apt-get install -y -q "$deb"
for program in glintwork glintwork-cli glintwork-spread; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
done
[ -x /usr/libexec/glintwork/glintwork-metafile ] || fail "no metafile helper in /usr/libexec/glintwork"
zcat /usr/share/man/man1/glintwork-cli.1.gz | grep -q -- 'files\\-from' ||
  fail "glintwork-cli(1) does not list --files-from"
[ -f /usr/share/man/man1/glintwork.1.gz ] || fail "no glintwork(1)"
zcat /usr/share/man/man1/glintwork-spread.1.gz | grep -q -- 'sshlogin' ||
  fail "glintwork-spread(1) does not list --sshlogin"

step "converting a picture with glintwork-cli"
cd "$work"
# 2x1 pixels: red, green.
printf 'P3\n2 1\n255\n255 0 0  0 255 0\n' > in.ppm
glintwork-cli -s 3 -r 10 -b 20 -o out.bmp in.ppm
[ "$(head -c 2 out.bmp)" = BM ] || fail "out.bmp is no bitmap"
[ "$(field out.bmp 18 4)x$(field out.bmp 22 4)" = 6x3 ] || fail "out.bmp is not 6x3 pixels"
# Rows are stored bottom-up, 20 bytes each: the last one is the picture's top row, three
# pixels of (blue 20, green 0, red 10), three of (20, 255, 10), two bytes of padding.
top=$(od -An -tu1 -j $((54 + 2 * 20)) -N 20 out.bmp | tr -s ' \n' ' ')
[ "$top" = " 20 0 10 20 0 10 20 0 10 20 255 10 20 255 10 20 255 10 0 0 " ] ||
  fail "top row of out.bmp is$top"

step "in a pipe"
cat in.ppm | glintwork-cli -s 3 -o - - > pipe.bmp
[ "$(stat -c %s pipe.bmp)" = "$(stat -c %s out.bmp)" ] || fail "pipe.bmp differs in size from out.bmp"

step "spreading two pictures with glintwork-spread on this machine (-S :)"
[[ "$(glintwork-spread --help)" == *--slurm* ]] || fail "glintwork-spread --help does not list --slurm"
mkdir spread
cp in.ppm "spread/a b.ppm"
cp in.ppm spread/c.ppm
glintwork-spread -S : -q -s 3 -r 10 -b 20 spread/*.ppm
for name in "a b" c; do
  cmp -s "spread/$name-scanlines.bmp" out.bmp || fail "spread/$name-scanlines.bmp is not out.bmp"
done

step "a metafile, through the helper"
echo '183GmgAAAAAAAGQAMgBgAAAAAAAnVwEACQAAAygAAAABAAcAAAAAAAUAAAALAgAAAAAFAAAADAIyAGQABwAAAPwCAAD/AAAAAAAEAAAALQEAAAcAAAAbBCgAUAAKABQAAwAAAAAA' |
  base64 -d > rect.wmf
glintwork-cli -o rect.bmp rect.wmf
[ "$(field rect.bmp 18 4)x$(field rect.bmp 22 4)" = 200x100 ] || fail "rect.bmp is not 200x100 pixels"

step "a JPEG XL photo, through the photo helper"
# in.ppm's two pixels, losslessly (cjxl -d 0): the same bitmap as from in.ppm.
echo '/woAcBBQXAgIAgEARABLGIsVwlEDpjrAHtgfZv71Aw==' | base64 -d > in.jxl
glintwork-cli -s 3 -r 10 -b 20 -o jxl.bmp in.jxl
cmp -s jxl.bmp out.bmp || fail "jxl.bmp is not out.bmp"
# Started by hand, a helper says what it is for and exits with status 2.
set +e
/usr/libexec/glintwork/glintwork-photo >/dev/null 2>&1
photo_status=$?
set -e
[ $photo_status -eq 2 ] || fail "glintwork-photo started by hand exited $photo_status, not 2"

step "starting glintwork offscreen"
QT_QPA_PLATFORM=offscreen glintwork > gui.log 2>&1 &
gui=$!
sleep 5
kill -0 "$gui" 2>/dev/null || { cat gui.log; fail "glintwork ended within 5 seconds"; }
kill "$gui"
wait "$gui" 2>/dev/null || true
gui=

step "removing the package"
apt-get remove -y -q glintwork
for gone in /usr/bin/glintwork /usr/bin/glintwork-cli /usr/bin/glintwork-spread /usr/libexec/glintwork; do
  [ ! -e "$gone" ] || fail "$gone is still there after removal"
done
step "all good"
