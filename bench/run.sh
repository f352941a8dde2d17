#!/usr/bin/env bash
# Runs every benchmark program of a build folder in turn: ./bench/run.sh <build folder>
set -uo pipefail

build="${1:?usage: $0 <build folder>}"
status=0

# run <program> [arguments...]: runs one program from <build>/bench, noting a missing or failed one.
run() {
  local program="$build/bench/$1"
  shift
  echo "== $(basename "$program")"
  if [ ! -x "$program" ]; then
    echo "not built: $program" >&2
    status=1
  elif ! "$program" "$@"; then
    echo "failed: $program" >&2
    status=1
  fi
}

# run_under_x <program>: as run, on the X platform inside a private X server (xvfb-run -a).
run_under_x() {
  local program="$build/bench/$1"
  echo "== $1"
  if [ ! -x "$program" ]; then
    echo "not built: $program" >&2
    status=1
  elif ! QT_QPA_PLATFORM=xcb xvfb-run -a "$program"; then
    echo "failed: $program" >&2
    status=1
  fi
}

# One line per program.
run glint-bench-engine
run glint-bench-io
run glint-bench-metafile
run glint-bench-photo
run glint-bench-helper
# The batch tool's writers against its earlier ones, bmp and cwebp; needs bench-deps' tools.
run glint-bench-outputs
run_under_x glint-bench-window

# glintwork-cli against the floor of the machine (dd, djpeg, its own start).
echo "== floor"
"$(dirname "$0")/floor/floor.sh" "$build" || status=1

# glintwork-cli with lists of 100 000 and 1 000 000 names: time per name and memory.
echo "== list"
"$(dirname "$0")/list/list.sh" "$build" || status=1

# glintwork-cli against ImageMagick and libvips: a script, it needs the tools of bench-deps.
echo "== peers"
"$(dirname "$0")/peers/peers.sh" "$build" || status=1

# What spreading a batch over ssh hosts and a Slurm cluster costs per file: starts an sshd and a
# one-node Slurm on 127.0.0.1 (the Slurm lines need root).
echo "== spread"
"$(dirname "$0")/spread/spread.sh" "$build" || status=1

exit "$status"
