#!/usr/bin/env bash
# Makes the tool's I/O calls fail, one at a time, through the interposer library.
#
#   inject.sh BIN LIBRARY matrix     every call site and occurrence of a run, in turn
#   inject.sh BIN LIBRARY matrix_without_copy_range
#                                    the same where the system cannot copy a file inside
#                                    itself, and the copy reads and writes
#   inject.sh BIN LIBRARY SCENARIO   one failure whose exact messages and status are known
#   inject.sh --list                 names every mode, one a line: CMake registers a test for
#                                    each, so a mode written here always runs
#
# The run reads a small input with CR LF line ends that draws a warning, into an output file
# that exists. After each failure: the input is unchanged, no temporary file is left, and
# either the run completed (status 0, "Done.", the exact output file) or it failed (status 1
# to 3, no "Done.", a message on standard error besides the warning) and the old output file
# is untouched, byte for byte: only a failure to write "Done." comes after the output is
# replaced. Never a crash, never silence. Each mode is a function mode_MODE below.
set -u

fail() { echo "FAIL [$mode${call:+ $call $nth}]: $*"; failed=1; }

# run [CALL NTH [ERRNO]]: one run of the tool, with CALL's NTH occurrence failing.
run() {
  call=${1:-} nth=${2:-}
  cp in.orig in.txt
  cp out.orig out.txt
  rm -f trace
  local fault=()
  [ -n "$call" ] && fault=(LJ_FAULT_CALL="$call" LJ_FAULT_NTH="$nth" LJ_FAULT_ERRNO="${3:-5}")
  # LOSSLESS_JOIN_WRAPPER, when set, is put in front of the tool (valgrind, for instance).
  env LD_PRELOAD="$library" LJ_FAULT_TRACE="$work/trace" "${fault[@]}" \
    ${LOSSLESS_JOIN_WRAPPER:-} "$bin" in.txt out.txt >stdout 2>stderr
  status=$?
}

# The lines of stderr that are not the input's warning.
messages() { grep -v -x -F -e "$warning" stderr; }

check_outcome() {
  cmp -s in.txt in.orig || fail "the input changed"
  local left
  left=$(ls -A | grep -v -x -e in.txt -e in.orig -e out.txt -e out.orig -e expected \
    -e stdout -e stderr -e trace -e clean.trace)
  [ -z "$left" ] && return
  fail "files left behind: $left"
  rm -f $left
}

check_status() {
  check_outcome
  case $status in
    0)
      [ "$(cat stdout)" = Done. ] || fail "status 0 without Done.: '$(cat stdout)'"
      cmp -s out.txt expected || fail "status 0 with a wrong output file"
      ;;
    1 | 2 | 3)
      grep -q Done. stdout && fail "status $status after Done."
      local count
      count=$(messages | wc -l)
      [ "$count" -ge 1 ] && [ "$count" -le 2 ] ||
        fail "status $status with $count message lines: '$(cat stderr)'"
      if grep -q "cannot write to standard output" stderr; then
        cmp -s out.txt expected || fail "Done. failed, and the output file is not complete"
      else
        cmp -s out.txt out.orig || fail "status $status, and the old output file changed"
      fi
      ;;
    *) fail "status $status (a crash?): '$(cat stderr)'" ;;
  esac
}

# ordinal NAME PATTERN K: the ordinal of the K-th call of NAME whose detail matches PATTERN.
ordinal() { awk -v n="$1" -v p="$2" -v k="$3" '$1 == n && $3 ~ p && ++seen == k { print $2; exit }' clean.trace; }
# line_of NAME ORDINAL: where that call stands in the clean run.
line_of() { awk -v n="$1" -v o="$2" '$1 == n && $2 == o { print NR; exit }' clean.trace; }

# expect STATUS MESSAGES: the run failed with that status and exactly those message lines.
expect() {
  [ "$status" = "$1" ] || fail "exit status $status, expected $1: '$(cat stderr)'"
  [ "$(messages)" = "$2" ] || fail "messages '$(messages)', expected '$2'"
  grep -q Done. stdout && fail "Done. after a failure"
  cmp -s out.txt out.orig || fail "the old output file changed"
  check_outcome
}

mode_matrix() {
  runs=0
  while read -r name count; do
    for ((n = 1; n <= count; n++)); do
      run "$name" "$n"
      check_status
      runs=$((runs + 1))
    done
  done < <(awk '{ last[$1] = $2 } END { for (n in last) print n, last[n] }' clean.trace | sort)
  # An interposer that the tool's calls never reach would make every run a clean one.
  local names="open fopen read write fclose mkostemp fsync fchmod rename"
  [ -z "${LJ_FAULT_NO_COPY_RANGE:-}" ] && names="$names copy_file_range"
  for name in $names; do
    grep -q "^$name " clean.trace || fail "the clean run made no $name call that the interposer saw"
  done
  echo "$runs runs, one failing call each: $(awk '{ print $1 }' clean.trace | sort | uniq -c | tr -s ' ' | tr '\n' ',')"
}

mode_matrix_without_copy_range() { mode_matrix; }

mode_reopen_input() {
  run fopen "$input_stream" 13
  expect 2 "$reopen_failed"$'\nlossless-join: in.txt: cannot open the input again: Permission denied'
}

mode_reopen_output() {
  run fopen "$output_stream" 13
  expect 2 "$reopen_failed"$'\nlossless-join: out.txt: cannot open the output to append: Permission denied'
}

mode_temporary_file() {
  # A folder that takes no new file: the output is written in place, as before.
  run mkostemp 1 13
  [ "$status" = 0 ] && cmp -s out.txt expected || fail "no temporary file, and the run failed"
  check_outcome
}

mode_sync() {
  run fsync 1 5
  expect 2 $'Error while writing the output file.\nlossless-join: out.txt: cannot write the output: Input/output error'
}

mode_rename() {
  run rename 1 28
  expect 2 $'Error while writing the output file.\nlossless-join: out.txt: cannot replace the output: No space left on device'
}

mode_read_after_copy() {
  run read "$first_read"
  expect 2 $'Error while reading the input file.\nlossless-join: in.txt: cannot read the input: Input/output error'
}

mode_verdict_write() {
  # The verdict reaches the file only when the stream is closed: a check before the close
  # would miss this failure.
  run $last_write 28
  expect 2 $'Error while writing the output file.\nlossless-join: out.txt: cannot write the output: No space left on device'
}

mode_done_write() {
  run fwrite "$(ordinal fwrite '^stdout$' 1)" 28
  [ "$status" = 2 ] && [ "$(messages)" = "lossless-join: cannot write to standard output: No space left on device" ] ||
    fail "status $status, messages '$(messages)'"
  cmp -s out.txt expected || fail "the output file is not complete"
  check_outcome
}

if [ "${1:-}" = --list ]; then
  declare -F | sed -n 's/^declare -f mode_//p'
  exit 0
fi
bin=$1
library=$2
mode=$3
declare -F "mode_$mode" >/dev/null || { echo "FAIL [$mode]: unknown mode"; exit 1; }
if [ -n "${LOSSLESS_JOIN_WRAPPER:-}" ]; then
  echo "SKIP [$mode]: the interposer would count the calls of valgrind itself"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

printf 'A,B\r\nB,C\r\n\r\nB->C\r\nB->X\r\n' >in.orig
warning='in.txt:5:4: warning: attribute "X" is in no sub-schema; ignored on the right-hand side'
{ cat in.orig; printf '\r\nvesztesegmentes'; } >expected
printf 'precious\n' >out.orig
failed=0

[ "$mode" = matrix_without_copy_range ] && export LJ_FAULT_NO_COPY_RANGE=1
# The clean run, which also says which calls there are, in order.
run
cp trace clean.trace
[ "$status" = 0 ] && [ "$(cat stdout)" = Done. ] && cmp -s out.txt expected &&
  [ "$(cat stderr)" = "$warning" ] || { fail "the clean run failed"; exit 1; }

# The input stream is the first file opened with fopen after the copy; the output stream
# the temporary file's second. Their descriptors follow the temporary file's own.
input_stream=$(ordinal fopen 'in\.txt$' 1)
output_stream=$(ordinal fopen 'out\.txt\.lossless-join-' 2)
first_read=$(awk -v from="$(line_of fopen "$input_stream")" 'NR > from && $1 == "read" { print $2; exit }' clean.trace)
last_write=$(awk '($1 == "write" || $1 == "writev") && $3 != "fd=1" && $3 != "fd=2" { n = $1; o = $2 } END { print n, o }' clean.trace)

reopen_failed="File doesn't exsist or you have no permission to create the output file."
"mode_$mode"
exit $failed
