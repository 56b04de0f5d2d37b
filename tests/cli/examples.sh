#!/usr/bin/env bash
# Runs every example listed in examples/verdicts and checks the verdict it gives, the exit
# status, "Done." and that only the examples marked "warns" write to standard error.
set -u
bin=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
count=0
while read -r name verdict warns; do
  case $name in '#'* | '') continue ;; esac
  count=$((count + 1))
  ${LOSSLESS_JOIN_WRAPPER:-} "$bin" "$examples/$name" "$work/out.txt" >"$work/stdout" 2>"$work/stderr"
  status=$?
  # The appended line break is CR LF when the first line ends with CR LF.
  line_break='\n'
  [ "$(head -n 1 "$examples/$name" | tail -c 2 | od -An -tx1 | tr -d ' ')" = 0d0a ] && line_break='\r\n'
  { cat "$examples/$name"; printf "$line_break%s" "$verdict"; } >"$work/expected"
  problem=""
  [ "$status" = 0 ] || problem="exit status $status"
  [ "$(cat "$work/stdout")" = "Done." ] || problem="$problem; stdout '$(cat "$work/stdout")'"
  cmp -s "$work/out.txt" "$work/expected" || problem="$problem; output does not end in the verdict $verdict"
  if [ "$warns" = warns ]; then
    [ -s "$work/stderr" ] || problem="$problem; no warning"
  else
    [ -s "$work/stderr" ] && problem="$problem; stderr '$(cat "$work/stderr")'"
  fi
  if [ -n "$problem" ]; then
    echo "FAIL $name: ${problem#; }"
    failed=1
  fi
done <"$examples/verdicts"

listed=$(grep -c '\.txt ' "$examples/verdicts")
present=$(find "$examples" -name '*.txt' | wc -l)
[ "$listed" = "$present" ] || { echo "FAIL: $present examples, $listed in verdicts"; failed=1; }
# The man page says how many there are.
grep -q "^The $present examples" "$examples/../doc/lossless-join.1" ||
  { echo "FAIL: the man page does not say 'The $present examples'"; failed=1; }
echo "$count examples checked"
exit $failed
