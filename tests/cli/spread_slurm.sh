#!/usr/bin/env bash
# glintwork-spread --slurm on a one-node Slurm cluster started here (munge with its own key,
# slurmctld and slurmd on free ports of 127.0.0.1): 50 pictures with names that need quoting,
# every output compared with glintwork-cli's. Root only: slurmd starts each task as the user who
# submitted it, which takes root; exits 77 (skipped) otherwise.
#   usage: spread_slurm.sh GLINTWORK-SPREAD GLINTWORK-CLI
set -uo pipefail
[ "$(id -u)" -eq 0 ] || { echo "skipped: a Slurm node needs root"; exit 77; }
here=$(dirname "$0")
source "$here/../support/engines.sh"
source "$here/spread_check.sh"
spread=$(realpath "$1")
work=$(mktemp -d)
engine_dir="$work/engines"
mkdir "$engine_dir"
trap 'engines_stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

start_slurm || { echo "FAIL: the Slurm node did not come up" >&2; exit 1; }
setup_batch "$(realpath "$2")"
# The tasks find glintwork-cli on the PATH that sbatch passes on.
PATH=$(dirname "$cli"):$PATH
cd "$work" || exit 1

# Beside the inputs, with a broken picture among them: its line, and the exit status.
reference
"$spread" --slurm --sbatch-args "--time=5 --job-name=glint-test" -q -- "${pictures[@]}" "$broken" 2>log
status=$?
[ $status -eq 1 ] || fail "the run beside the inputs exited $status, not 1"
expect_outputs "" bmp
expect_report log "$broken: cannot read the picture: not a picture the loader can read"

# Into a folder in png, the names from a NUL-separated list, seven files per task.
reference --format png -s 3 -B navy
mkdir out
printf '%s\0' "${pictures[@]}" >list
"$spread" --slurm --chunk 7 --format png -s 3 -B navy -q -o out -0 --files-from list 2>log
status=$?
[ $status -eq 0 ] || fail "the run into a folder exited $status"
expect_outputs out png
expect_report log

# Tasks that convert nothing (no glintwork-cli there): every file is reported, none lost.
mkdir out2
"$spread" --slurm --cli /nonexistent/glintwork-cli -q -o out2 -- "${pictures[@]:0:5}" 2>log
status=$?
[ $status -eq 1 ] || fail "the run without glintwork-cli exited $status, not 1"
[ "$(grep -c ': not converted: Slurm task 0 .*not found' log)" -eq 5 ] || {
  cat log >&2
  fail "not every file of the failed task is reported"
}

[ -z "$(find . -maxdepth 1 -name '.glintwork-spread.*')" ] || fail "a work folder was left behind"
[ $failures -eq 0 ] && echo "glintwork-spread on Slurm: all checks passed"
exit $((failures > 0))
