#!/usr/bin/env bash
# The code's own checks, run by CI after the build (`make lint`): includes go down the layers,
# every source file is formatted as .clang-format says (Debian 12's clang-format 14), and the
# static analysis of .clang-tidy finds nothing in src/. Exit status 1 when any of them fails.
#   scripts/lint.sh BUILD     (BUILD holds compile_commands.json)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0

echo "== include layers"
scripts/check-layers.sh || status=1

echo "== formatting (clang-format)"
mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
  'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if clang-format --dry-run --Werror "${sources[@]}" 2>/tmp/glint-format.$$; then
  echo "${#sources[@]} files formatted"
else
  grep -o '^[^:]*' /tmp/glint-format.$$ | sort -u | sed 's/^/not formatted: /'
  status=1
fi
rm -f /tmp/glint-format.$$

echo "== static analysis (clang-tidy)"
# Our own sources only: not the code that moc generates into the build folder.
if run-clang-tidy -quiet -p "$build" -j "$(nproc)" "^$(pwd)/src/(engine|platform|io|helpers|ui|cli|app)/" \
    >/tmp/glint-tidy.$$ 2>&1; then
  echo "no findings"
else
  grep -E 'error:|warning:' /tmp/glint-tidy.$$ | sort -u
  status=1
fi
rm -f /tmp/glint-tidy.$$
exit $status
