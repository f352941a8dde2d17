#!/usr/bin/env bash
# Checks that includes only go down the layers of src/ (docs/ARCHITECTURE.md):
#   engine   plain C++: no Qt, no other layer
#   platform engine and Qt
#   io       engine and Qt (decoding, the helpers' clients, output)
#   helpers  engine, io and Qt (the decoding helper programs)
#   ui       engine, platform, io
#   cli      engine, io (the batch tool)
#   app      anything (main() of the window program)
# Tests, benchmarks and fuzz harnesses may include any layer. Exit status 1 names each include
# that goes the wrong way.
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A forbidden=(
  [engine]='^(platform|io|helpers|ui|cli|app)/|^Q|^q[a-z]+\.h$'
  [platform]='^(io|helpers|ui|cli|app)/'
  [io]='^(platform|helpers|ui|cli|app)/'
  [helpers]='^(platform|ui|cli|app)/'
  [ui]='^(helpers|cli|app)/'
  [cli]='^(platform|helpers|ui|app)/'
)

status=0
for layer in "${!forbidden[@]}"; do
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    included=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]\([^>"]*\)[>"].*/\1/p' <<<"${rest#*:}")
    if [[ -n $included && $included =~ ${forbidden[$layer]} ]]; then
      echo "$file:$line: $layer includes $included"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include' "src/$layer")
done
[ $status -eq 0 ] && echo "layers: every include goes down"
exit $status
