#!/usr/bin/env bash
# Runs the tool on CASE/in.txt (after the options in CASE/args, if any) in a scratch folder
# and compares, byte for byte, the output file with CASE/out.txt (without it, there must be no
# output file: a failed run leaves none behind, nor a temporary one), standard output with
# CASE/stdout (default "Done."), standard error with CASE/stderr (default empty) and the exit
# status with CASE/status (default 0).
set -u
bin=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$case_dir/in.txt" "$work/in.txt"
options=()
[ -f "$case_dir/args" ] && read -r -a options <"$case_dir/args"
# LOSSLESS_JOIN_WRAPPER, when set, is put in front of the tool (valgrind, for instance).
(cd "$work" && ${LOSSLESS_JOIN_WRAPPER:-} "$bin" "${options[@]}" in.txt out.txt >stdout 2>stderr)
status=$?

expect_file() {  # expected-file actual-file default-text
  if [ -f "$1" ]; then cp "$1" "$work/expected"; else printf '%s' "$3" >"$work/expected"; fi
  if ! cmp -s "$work/expected" "$2"; then
    echo "FAIL: $(basename "$1") differs"
    echo "--- expected"; od -c "$work/expected" | head -20
    echo "--- actual"; od -c "$2" | head -20
    failed=1
  fi
}

failed=0
expected_status=0
[ -f "$case_dir/status" ] && expected_status=$(cat "$case_dir/status")
if [ "$status" != "$expected_status" ]; then
  echo "FAIL: exit status $status, expected $expected_status"
  failed=1
fi
expect_file "$case_dir/stdout" "$work/stdout" $'Done.\n'
expect_file "$case_dir/stderr" "$work/stderr" ''
if [ -f "$case_dir/out.txt" ]; then
  expect_file "$case_dir/out.txt" "$work/out.txt" ''
elif [ "$(cd "$work" && ls -A | grep -v -x -e in.txt -e stdout -e stderr -e expected)" != "" ]; then
  echo "FAIL: a failed run left files: $(cd "$work" && ls -A)"
  failed=1
fi
cmp -s "$case_dir/in.txt" "$work/in.txt" || { echo "FAIL: input changed"; failed=1; }
exit $failed
