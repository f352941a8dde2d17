#!/usr/bin/env bash
# The checks of a CI run after the README's `make test`, run from the project's folder on a
# fresh Debian 12 (see .ci/run): the code's own checks (layers, format, static analysis), the
# whole suite again in a sanitized build, a short run of every fuzz harness, that `make run`
# brings up the window and keeps it up, that `make bench`'s dependency step installs, and
# `make package` (the package is copied to $GLINT_CI_DEB_DIR when that is set). Exits 0 when
# every check passed, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."

RUN_SECONDS=${GLINT_CI_RUN_SECONDS:-60}
failed=()
step() { echo; echo "=== ci: $1 ($(date -u +%H:%M:%S))"; }

# Process ids of running programs named $1 (no procps on a minimal system).
pids_of() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(cat "$p/comm" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}"
    done
}

check_make_run() {
    # `make run` under a virtual X server: the window must appear and still be there after a
    # minute. The build is already done by `make test` (.ci/run runs it first).
    xvfb-run -a bash -c '
        make run >build/make-run.log 2>&1 &
        for _ in $(seq 1 300); do
            xwininfo -root -tree 2>/dev/null | grep -q "\"Glintwork\"" && break
            sleep 1
        done
        xwininfo -root -tree | grep "\"Glintwork\"" || { echo "no Glintwork window"; exit 1; }
        sleep '"$RUN_SECONDS"'
        xwininfo -root -tree | grep -q "\"Glintwork\"" || { echo "the window went away"; exit 1; }
    '
    local rc=$?
    local pid
    for pid in $(pids_of glintwork); do kill "$pid"; done
    [ $rc -eq 0 ] || { cat build/make-run.log; return 1; }
    echo "the window was up for ${RUN_SECONDS} s"
}

step "make lint"
make lint || failed+=("make lint")

step "make test-sanitize"
make test-sanitize || failed+=("make test-sanitize")

step "make fuzz (a short run of every harness)"
# A fixed seed: the same code explores the same inputs, so a finding here can be reproduced.
FUZZ_SEED=${GLINT_CI_FUZZ_SEED:-1} make fuzz FUZZ_SECONDS="${GLINT_CI_FUZZ_SECONDS:-20}" || failed+=("make fuzz")

step "make run"
check_make_run || failed+=("make run")

step "make bench-deps"
make bench-deps || failed+=("make bench-deps")

step "make package"
if make package; then
    # Handed out to the next fresh system, which installs it (see .ci/run).
    if [ -n "${GLINT_CI_DEB_DIR:-}" ]; then
        mkdir -p "$GLINT_CI_DEB_DIR" && cp build/glintwork_*.deb "$GLINT_CI_DEB_DIR/"
    fi
else
    failed+=("make package")
fi

echo
if [ ${#failed[@]} -gt 0 ]; then
    echo "ci: FAILED: ${failed[*]}"
    exit 1
fi
echo "ci: all checks passed"
