#!/usr/bin/env bash
# glintwork-spread over real ssh: an sshd on 127.0.0.1 with two host aliases (two users when run
# as root), 50 pictures with names that need quoting, every output compared with glintwork-cli's.
#   usage: spread_ssh.sh GLINTWORK-SPREAD GLINTWORK-CLI
set -uo pipefail
here=$(dirname "$0")
source "$here/../support/engines.sh"
source "$here/spread_check.sh"
spread=$(realpath "$1")
work=$(mktemp -d)
chmod 755 "$work" # the hosts' users run glintwork-cli from in here
engine_dir="$work/engines"
mkdir "$engine_dir"
trap 'engines_stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

start_sshd "$2" || { echo "FAIL: sshd did not start" >&2; exit 1; }
ssh=(--ssh "ssh -F $engine_dir/ssh/config")
setup_batch "$(realpath "$2")"
cd "$work" || exit 1

# Beside the inputs, the names from find -print0, over both hosts and this machine.
reference
find pictures -name '*.ppm' -print0 |
  "$spread" "${ssh[@]}" -S host-a,host-b,1/: -q -0 --files-from - 2>log
status=$?
[ $status -eq 0 ] || fail "the run beside the inputs exited $status"
expect_outputs "" bmp
expect_report log
leftovers=$(find pictures -type f ! -name '*.ppm' ! -name '*-scanlines.bmp' ! -name "${broken##*/}" | wc -l)
[ "$leftovers" -eq 0 ] || fail "$leftovers files left beside the outputs"

# Into a folder, on the remote hosts only, one file per login, with glintwork-cli named by
# --cli: a host that refuses, a text file named .png and an output that exists are reported,
# and counted in the exit status.
reference --format png -s 3 -B navy
mkdir out
echo 'earlier' >out/plain20-scanlines.png
"$spread" "${ssh[@]}" -S host-a,host-b,host-down --chunk 1 --cli "$engine_dir/bin/glintwork-cli" \
  --format png -s 3 -B navy -q -o out -- "${pictures[@]}" "$broken" 2>log
status=$?
[ $status -eq 1 ] || fail "the run with failures exited $status, not 1"
[ "$(grep -c -F "$broken: " log)" -eq 1 ] || fail "no line for the text file"
[ "$(grep -c '^glintwork-spread: host-down: not used: .*refused' log)" -eq 1 ] ||
  fail "no line for the host that refuses"
expect_report <(grep -v -F -e "$broken: " -e host-down log) \
  "$work/pictures/plain20.ppm: 'out/plain20-scanlines.png' exists (use --force to replace it)"
[ "$(cat out/plain20-scanlines.png)" = earlier ] || fail "an existing output was replaced"

# --force replaces it; without -q each file gets a line and the failures are counted.
"$spread" "${ssh[@]}" -S host-b --force --format png -s 3 -B navy -o out/ \
  "$work/pictures/plain20.ppm" "$broken" 2>log
status=$?
[ $status -eq 1 ] || fail "the run with --force exited $status, not 1"
expect_report <(grep -v -F "$broken: " log) \
  "$work/pictures/plain20.ppm -> out/plain20-scanlines.png" "1 of 2 files failed"
expect_outputs out png

# A host lost while converting (there glintwork-cli kills the shell that runs it): every file
# of its chunks is reported.
printf '#!/bin/sh\nkill -9 $PPID\n' >"$engine_dir/bin/lost-cli"
chmod 755 "$engine_dir/bin/lost-cli"
mkdir lost
"$spread" "${ssh[@]}" -S host-a --cli "$engine_dir/bin/lost-cli" -q -o lost -- "${pictures[@]:0:3}" 2>log
status=$?
[ $status -eq 1 ] || fail "the run on a lost host exited $status, not 1"
[ "$(grep -c ': not converted on host-a' log)" -eq 3 ] || fail "not every file of a lost host is reported"
[ -z "$(ls -A lost)" ] || fail "a lost host left outputs"

# --dry-run prints the engine's command and converts nothing.
mkdir dry
"$spread" "${ssh[@]}" -S host-a --dry-run -o dry -- "${pictures[@]:0:3}" >dry.log 2>&1 ||
  fail "--dry-run failed"
grep -q '^parallel ' dry.log || fail "--dry-run printed no parallel command"
[ -z "$(ls -A dry)" ] || fail "--dry-run converted files"

[ $failures -eq 0 ] && echo "glintwork-spread over ssh: all checks passed"
exit $((failures > 0))
