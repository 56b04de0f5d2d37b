#!/usr/bin/env bash
# Kills the tool with SIGKILL at many instants of a run on a 20 MB input (5 MB for a slow
# build), and checks that the output file is then either the old one, byte for byte, or the
# complete new one: never a part of it. A temporary file may stay behind (no process
# outlives SIGKILL to remove it), named after the output and the tool.
#
#   kill.sh BIN
set -u
bin=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
if [ -n "${LOSSLESS_JOIN_WRAPPER:-}" ]; then
  echo "SKIP: a kill would hit the wrapper, not the tool"
  exit 77
fi

# 50 sub-schemas over 200 attributes, then DEPENDENCIES dependencies.
generate() {
  awk -v dependencies="$1" 'BEGIN {
    srand(7)
    for (r = 0; r < 50; r++) {
      line = ""
      for (k = 0; k < 4; k++) line = line (k ? "," : "") "a" (4 * r + k)
      for (k = 0; k < 4; k++) line = line ",a" int(rand() * 200)
      print line
    }
    print ""
    for (d = 0; d < dependencies; d++)
      print "a" int(rand() * 200) ",a" int(rand() * 200) "->a" int(rand() * 200)
  }' >in.txt
}

# A clean run: its output, and its length in milliseconds, which sets the instants.
clean_run() {
  printf 'the old output\n' >old.txt
  cp old.txt out.txt
  local start
  start=$(date +%s%N)
  "$bin" in.txt out.txt >/dev/null 2>stderr || { echo "FAIL: the clean run failed"; exit 1; }
  total=$((($(date +%s%N) - start) / 1000000))
  [ -s stderr ] && { echo "FAIL: the clean run warned: $(head -3 stderr)"; exit 1; }
  cp out.txt complete.txt
}

# 20 MB; a build that takes more than a second and a half on it (with the sanitizers, or
# without optimization) gets a quarter of it, so that the kills stay within a minute.
generate 1400000
clean_run
if [ "$total" -gt 1500 ]; then
  generate 350000
  clean_run
fi
size=$(stat -c %s in.txt)
instants=20
: >outcomes
for ((i = 0; i < instants; i++)); do
  cp old.txt out.txt
  "$bin" in.txt out.txt >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v t="$total" -v i="$i" -v n="$instants" 'BEGIN { printf "%.3f", t * (i + 0.5) / n / 1000 }')"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if cmp -s out.txt old.txt; then
    outcome=old
  elif cmp -s out.txt complete.txt; then
    outcome=complete
  else
    echo "FAIL: killed at instant $i of $instants: out.txt is $(stat -c %s out.txt) bytes, neither old nor complete"
    outcome=partial
  fi
  for stray in .out.txt.lossless-join-*; do
    [ -e "$stray" ] && rm -f "$stray"
  done
  echo "$outcome" >>outcomes
done
echo "$(sort outcomes | uniq -c | tr -s ' ' | tr '\n' ';') $instants kills over a run of $total ms on $size bytes"

# SIGTERM and SIGHUP, unlike SIGKILL, let the tool remove its temporary file as it ends (a
# background job of a script ignores SIGINT, and so does the tool then).
for signal in TERM HUP; do
  cp old.txt out.txt
  "$bin" in.txt out.txt >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v t="$total" 'BEGIN { printf "%.3f", t / 2 / 1000 }')"
  kill -"$signal" "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  cmp -s out.txt old.txt || cmp -s out.txt complete.txt || {
    echo "FAIL: SIG$signal left a partial output"
    echo partial >>outcomes
  }
  stray=$(ls -A | grep lossless-join)
  [ -z "$stray" ] || { echo "FAIL: SIG$signal left $stray"; echo partial >>outcomes; }
done
! grep -q partial outcomes
