#!/usr/bin/env bash
# What spreading a batch costs per file: the same 50 pictures (1024x768 JPEG, 16 of them with
# names that need quoting) converted by glintwork-cli here, by glintwork-spread over ssh with
# each transfer kind, by GNU parallel's own --trc (rsync), and as a Slurm job array with two
# chunk sizes. The hosts are an sshd and a one-node Slurm started on 127.0.0.1
# (tests/support/engines.sh): all of them share this machine's cores, so the figures are the
# engines' overhead, not a speed-up. Each line: seconds per file (median of the rounds), the
# ratio to the local run, and how many of the 50 outputs are identical to the local run's.
#   bench/spread/spread.sh <build folder>     (GLINT_SPREAD_ROUNDS=n for another round count)
set -uo pipefail

build=$(realpath "${1:?usage: $0 <build folder>}")
cli="$build/src/cli/glintwork-cli"
spread="$build/src/cli/glintwork-spread"
rounds=${GLINT_SPREAD_ROUNDS:-3}
here=$(dirname "$(realpath "$0")")
source "$here/../../tests/support/engines.sh"

work=$(mktemp -d)
chmod 755 "$work"
engine_dir="$work/engines"
mkdir "$engine_dir"
trap 'engines_stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
cd "$work" || exit 1

mkdir pictures reference
/usr/bin/convert -size 1024x768 -seed 3 plasma:fractal -quality 90 seed.jpg || exit 1
names=("${odd_names[@]}")
for ((i = ${#names[@]}; i < 50; i++)); do names+=("photo$i"); done
for name in "${names[@]}"; do cp seed.jpg "pictures/$name.jpg"; done
"$cli" -q -o reference/ seed.jpg

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# same_outputs: how many of the 50 outputs beside the pictures are the local run's; removes them.
same_outputs() {
  local same=0 name
  for name in "${names[@]}"; do
    cmp -s "pictures/$name-scanlines.bmp" reference/seed-scanlines.bmp && same=$((same + 1))
  done
  rm -f pictures/*-scanlines.bmp
  echo "$same"
}

local_seconds=
# measure LABEL COMMAND...: runs the command `rounds` times on the 50 pictures (names on
# standard input, NUL-separated) and prints its line.
measure() {
  local label=$1 seconds=() same start round
  shift
  for ((round = 0; round < rounds; round++)); do
    start=$EPOCHREALTIME
    printf 'pictures/%s.jpg\0' "${names[@]}" | "$@" >/dev/null 2>"$work/err"
    seconds+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')")
    same=$(same_outputs)
  done
  local median_seconds
  median_seconds=$(printf '%s\n' "${seconds[@]}" | median)
  [ -n "$local_seconds" ] || local_seconds=$median_seconds
  awk -v l="$label" -v t="$median_seconds" -v base="$local_seconds" -v same="$same" \
    'BEGIN { printf "%-58s %.4f s/file  x%.1f  %d/50 identical\n", l, t / 50, t / base, same }'
  [ "$same" -eq 50 ] || head -n 3 "$work/err"
}

measure "local: glintwork-cli -j $(nproc)" "$cli" -q -0 --files-from -

start_sshd "$cli" || { echo "spread: no sshd" >&2; exit 1; }
ssh_config="$engine_dir/ssh/config"
logins=2/host-a,2/host-b
# A file per ssh login (ssh takes the first value of an option, so ControlMaster=no holds), a
# file per session over the job slot's kept connection, chunks of files per session.
measure "ssh: a login per file (--chunk 1, ControlMaster=no)" \
  "$spread" --ssh "ssh -F $ssh_config -o ControlMaster=no" -S "$logins" --chunk 1 -q -0 --files-from -
measure "ssh: a file per session, connection kept (--chunk 1)" \
  "$spread" --ssh "ssh -F $ssh_config" -S "$logins" --chunk 1 -q -0 --files-from -
measure "ssh: chunks of files per session (glintwork-spread)" \
  "$spread" --ssh "ssh -F $ssh_config" -S "$logins" -q -0 --files-from -
# GNU parallel's own transfer, with the name quoting of rsync 3.2.4 and later turned off.
measure "ssh: parallel --trc (rsync, RSYNC_OLD_ARGS=1)" \
  env RSYNC_OLD_ARGS=1 parallel --will-cite -0 --ssh "ssh -F $ssh_config" -S "$logins" \
  --trc '{.}-scanlines.bmp' glintwork-cli -q -j 1 '{}'

logins_seconds=$(
  start=$EPOCHREALTIME
  for _ in 1 2 3 4 5 6 7 8 9 10; do ssh -F "$ssh_config" host-a true; done
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print (b - a) / 10 }'
)
printf '%-58s %.4f s\n' "ssh: one login (ssh host true)" "$logins_seconds"

if [ "$(id -u)" -ne 0 ]; then
  echo "slurm: not measured (a Slurm node needs root)"
  exit 0
fi
start_slurm || { echo "spread: no Slurm node" >&2; exit 1; }
PATH="$build/src/cli:$PATH"
measure "slurm: job array, 16 files per task (glintwork-spread --slurm)" \
  "$spread" --slurm -q -0 --files-from -
measure "slurm: job array, 1 file per task (--chunk 1)" \
  "$spread" --slurm --chunk 1 -q -0 --files-from -
