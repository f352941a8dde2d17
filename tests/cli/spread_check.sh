# What glintwork-spread's engine tests share (sourced after tests/support/engines.sh): the
# pictures, a broken one, and the comparison of every output with glintwork-cli's own.

# setup_batch CLI: 50 pictures in $work/pictures (odd names among them) and a text file named
# $broken; `pictures` lists the 50 by name, `cli` is glintwork-cli.
setup_batch() {
  cli=$1
  make_pictures "$work/pictures" 50
  broken="$work/pictures/not a picture.png"
  echo 'not a picture' >"$broken"
  pictures=()
  local i
  for i in "${!odd_names[@]}"; do pictures+=("$work/pictures/${odd_names[$i]}.ppm"); done
  for ((i = ${#odd_names[@]}; i < 50; i++)); do pictures+=("$work/pictures/plain$i.ppm"); done
}

# reference OPTION...: glintwork-cli's outputs for `pictures` with the options, into
# $work/reference/N-scanlines.EXT from plain-named copies.
reference() {
  rm -rf "$work/reference" "$work/plain"
  mkdir -p "$work/reference" "$work/plain"
  local i
  for i in "${!pictures[@]}"; do cp -- "${pictures[$i]}" "$work/plain/$i"; done
  "$cli" -q "$@" -o "$work/reference/" "$work/plain"/* || fail "glintwork-cli's local run failed"
}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expect_outputs FOLDER EXT: every picture's output (FOLDER empty: beside it) is the reference.
expect_outputs() {
  local folder=$1 ext=$2 i base out
  for i in "${!pictures[@]}"; do
    base=${pictures[$i]##*/}
    out="${folder:-${pictures[$i]%/*}}/${base%.*}-scanlines.$ext"
    cmp -s -- "$out" "$work/reference/$i-scanlines.$ext" ||
      fail "$(printf '%q' "$out") is missing or not what glintwork-cli writes"
  done
}

# expect_report LOG LINE...: LOG holds exactly these lines, in any order.
expect_report() {
  local log=$1
  shift
  diff <([ $# -eq 0 ] || printf '%s\n' "$@" | sort) <(sort "$log") >&2 ||
    fail "the report differs (< expected, > seen)"
}
