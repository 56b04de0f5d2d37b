#!/usr/bin/env bash
# Runs one named scenario in which the tool must refuse an argument or survive a faulty file,
# and checks the exact console streams, the exit status and that no user data was lost.
#
#   faults.sh BIN SCENARIO   runs one scenario, a function scenario_SCENARIO below
#   faults.sh --list         names every scenario, one a line: CMake registers a test for each,
#                            so a scenario written here always runs
set -u

fail() { echo "FAIL [$scenario]: $*"; failed=1; }

# expect_stream FILE TEXT: FILE holds TEXT and one line feed, or nothing when TEXT is empty.
expect_stream() {
  if [ -n "$2" ]; then printf '%s\n' "$2" >expected_stream; else : >expected_stream; fi
  cmp -s expected_stream "$1" || fail "$1: '$(cat "$1")', expected '$2'"
}

# run STATUS STDOUT STDERR ARGS...: runs the tool with a time limit and checks the result.
# LOSSLESS_JOIN_WRAPPER, when set, is put in front of the tool (valgrind, for instance).
run() {
  local want_status=$1 want_out=$2 want_err=$3
  shift 3
  timeout 300 ${as_other_user:-} ${LOSSLESS_JOIN_WRAPPER:-} "$bin" "$@" >stdout 2>stderr
  local status=$?
  [ "$status" = "$want_status" ] || fail "exit status $status, expected $want_status"
  expect_stream stdout "$want_out"
  expect_stream stderr "$want_err"
}

same_bytes() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }

# Permissions do not stop root: as root, run the tool as the user nobody instead.
run_as_other_user() {
  if [ "$(id -u)" = 0 ]; then
    if ! command -v setpriv >/dev/null; then
      echo "SKIP [$scenario]: running as root, and setpriv is missing to drop privileges"
      exit 77
    fi
    chmod 755 "$work"
    cp "$bin" "$work/lossless-join"
    bin=$work/lossless-join
    as_other_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
  fi
  run "$@"
}

# expect_verdict INPUT VERDICT: a complete run whose output is the input, LF and the verdict.
expect_verdict() {
  cp "$1" "$1.orig"
  run 0 "Done." "" "$1" out.txt
  { cat "$1"; printf '\n%s' "$2"; } >expected
  same_bytes out.txt expected
  same_bytes "$1" "$1.orig"
}

usage=$'You must give 2 parameters.\nTry \'lossless-join --help\' for more information.'
copy_error=$'Error while copiing input file.'
# copy_failed FILE SIDE REASON: the copy's message and the line that says which file and why.
copy_failed() { printf '%s\nlossless-join: %s: cannot %s: %s' "$copy_error" "$1" "$2" "$3"; }
cannot_read() { copy_failed "$1" "read the input" "$2"; }
cannot_write() { copy_failed "$1" "write the output" "$2"; }
same_file=$'Input and output must be different files.'
write_error=$'Error while writing the output file.'

scenario_usage() {
  run 1 "" "$usage"
  run 1 "" "$usage" in.txt
  run 1 "" "$usage" in.txt new.txt extra
  [ -e new.txt ] && fail "a file was created"
  same_bytes in.txt in.orig
}

scenario_options() {
  # Options need their own argument counts; other arguments are file names.
  run 0 "lossless-join $EXPECTED_VERSION" "" --version
  run 1 "" "$usage" --bogus
  run 1 "" "$usage" --explain in.txt
  run 1 "" "$usage" --help out.txt
  run 1 "" "$usage" --version --help
  run 1 "" "$usage" --bogus in.txt out.txt
  run 1 "" "$usage" --explain in.txt out.txt extra
  run 1 "" "$(cannot_read --bogus 'No such file or directory')" --bogus out.txt
  same_bytes out.txt out.orig
  # --max-rows takes a positive whole number, before the file names.
  for rows in 0 -5 x 18446744073709551616 ''; do
    run 1 "" "lossless-join: --max-rows takes a positive whole number, not \"$rows\"" \
      --max-rows "$rows" in.txt out.txt
  done
  same_bytes out.txt out.orig
  run 1 "" "$usage" --max-rows 5 in.txt
  timeout 20 "$bin" --help >stdout 2>stderr || fail "--help: exit status $?"
  [ -s stderr ] && fail "--help wrote to stderr"
  cmp -s stdout "$here/help.txt" || fail "--help differs from help.txt: $(diff stdout "$here/help.txt")"
  awk 'length > 80 { exit 1 }' stdout || fail "--help has lines of more than 80 columns"
}

scenario_missing_input() {
  run 1 "" "$(cannot_read absent.txt 'No such file or directory')" absent.txt out.txt
  same_bytes out.txt out.orig
}

scenario_input_directory() {
  mkdir dir
  run 1 "" "$(cannot_read dir 'Is a directory')" dir out.txt
  same_bytes out.txt out.orig
}

scenario_input_fifo() {
  mkfifo fifo
  run 1 "" "$(cannot_read fifo 'not a regular file (the input is read twice)')" fifo out.txt
  same_bytes out.txt out.orig
}

scenario_input_read_error() {
  # A regular file whose first read fails: the tool's own memory at address 0.
  run 1 "" "$(cannot_read /proc/self/mem 'Input/output error')" /proc/self/mem out.txt
}

scenario_unreadable_input() {
  chmod 000 in.txt
  run_as_other_user 1 "" "$(cannot_read in.txt 'Permission denied')" in.txt out.txt
  chmod 644 in.txt
  same_bytes out.txt out.orig
}

scenario_unwritable_output() {
  chmod 444 out.txt
  run_as_other_user 1 "" "$(cannot_write out.txt 'Permission denied')" in.txt out.txt
  same_bytes out.txt out.orig
}

scenario_same_path() {
  run 1 "" "$same_file" in.txt in.txt
  run 1 "" "$same_file" in.txt ./in.txt
  same_bytes in.txt in.orig
}

scenario_hard_link() {
  ln in.txt link.txt
  run 1 "" "$same_file" in.txt link.txt
  run 1 "" "$same_file" link.txt in.txt
  same_bytes in.txt in.orig
}

scenario_symbolic_link() {
  ln -s in.txt link.txt
  run 1 "" "$same_file" in.txt link.txt
  run 1 "" "$same_file" link.txt in.txt
  same_bytes in.txt in.orig
}

scenario_output_dir_missing() {
  run 1 "" "$(cannot_write no/such/folder/out.txt 'No such file or directory')" in.txt no/such/folder/out.txt
  same_bytes in.txt in.orig
}

scenario_output_full() {
  # The copy cannot be flushed: the copy step fails and says so.
  run 1 "" "$(cannot_write /dev/full 'No space left on device')" in.txt /dev/full
  same_bytes in.txt in.orig
}

scenario_output_full_empty_input() {
  # Nothing to copy, so the copy succeeds; the verdict cannot be written.
  : >empty.txt
  run 2 "" "$write_error"$'\nlossless-join: /dev/full: cannot write the output: No space left on device' empty.txt /dev/full
}

scenario_replaces_output() {
  head -c 50000 /dev/zero >out.txt
  run 0 "Done." "" in.txt out.txt
  printf 'A,B\nB,C\n\nB->C\n\nvesztesegmentes' >expected
  same_bytes out.txt expected
}

scenario_copy_block_sizes() {
  # Inputs around the copy's 16000-byte block reach the output unchanged, NUL bytes too.
  # Without a line feed the whole input is one sub-schema, so the verdict is known. The
  # bytes that end a line or draw a warning (blanks, commas, "->", "#", CR, a UTF-16 byte
  # order mark, and the ";", "{", "[" and "(" of other notations) are replaced, so that the
  # run stays silent.
  for size in 0 1 15999 16000 16001 32000 40000; do
    head -c "$size" /dev/urandom | tr '\n\r\t ,>#\376\377;{[(' 'xxxxxxxxxxxxx' >blob.txt
    verdict=vesztesegmentes
    [ "$size" = 0 ] && verdict=veszteseges
    expect_verdict blob.txt "$verdict"
  done
}

scenario_ten_megabyte_line() {
  # One sub-schema of about 1.3 million attributes on a single line.
  seq -f 'n%g' 1 1300000 | paste -sd, >wide.txt
  expect_verdict wide.txt vesztesegmentes
}

scenario_blank_lines() {
  # No sub-schema, then 99,999 empty dependency lines, skipped without a word.
  yes '' | head -n 100000 >blank.txt
  expect_verdict blank.txt veszteseges
}

scenario_tableau_too_large() {
  # 200,000 sub-schemas over 200,001 attributes: far more cells than any memory holds.
  seq -f 'a%g' 1 200000 | paste -sd, >huge.txt
  yes x | head -n 199999 >>huge.txt
  run 3 "" "lossless-join: the tableau of 200000 rows and 200001 columns does not fit in memory" \
    huge.txt out.txt
}

scenario_out_of_memory() {
  # A tableau that fits in the machine, in a process allowed 300 MB of address space. The
  # dependency makes the rows x agree on a symbol that is no row's own: only the whole
  # chase decides it.
  if [ -n "${LOSSLESS_JOIN_WRAPPER:-}" ] || [ "${LOSSLESS_JOIN_SANITIZE:-OFF}" = ON ]; then
    echo "SKIP [$scenario]: the sanitizers and valgrind need address space of their own"
    exit 77
  fi
  seq -f 'a%g' 1 10000 | paste -sd, >wide.txt
  yes x | head -n 3999 >>wide.txt
  printf '\nx->a1\n' >>wide.txt
  timeout 300 bash -c 'ulimit -v 300000 && exec "$0" "$@"' "$bin" wide.txt out.txt >stdout 2>stderr
  status=$?
  [ "$status" = 3 ] || fail "exit status $status, expected 3"
  expect_stream stdout ""
  expect_stream stderr "lossless-join: out of memory"
}

scenario_swapped_arguments() {
  # An earlier output as the input, a hand-written file as the output: refused, untouched.
  printf 'A,B\r\nA,C\r\n\r\nA->C\r\n\r\nvesztesegmentes' >old.txt
  cp old.txt old.orig
  refusal="ends with a verdict and in.txt does not: are the arguments swapped? Nothing was changed."
  run 1 "" "lossless-join: old.txt $refusal" old.txt in.txt
  same_bytes old.txt old.orig
  printf 'A\n\nveszteseges' >lossy.txt
  run 1 "" "lossless-join: lossy.txt $refusal" lossy.txt in.txt
  # A verdict word that is not a line of its own is no verdict.
  printf 'A\nxveszteseges' >word.txt
  run 0 "Done." "" word.txt new.txt
  # An earlier output still works as an input, to a new file, an empty one or another
  # output; its verdict line is a line without "->".
  rm -f new.txt
  verdict_line='old.txt:6:1: warning: no "->" in dependency; line ignored'
  run 0 "Done." "$verdict_line" old.txt new.txt
  { cat old.txt; printf '\r\nvesztesegmentes'; } >expected
  same_bytes new.txt expected
  : >empty.txt
  run 0 "Done." "$verdict_line" old.txt empty.txt
  same_bytes empty.txt expected
  run 0 "Done." "$verdict_line" old.txt lossy.txt
  same_bytes lossy.txt expected
  same_bytes old.txt old.orig
}

if [ "${1:-}" = --list ]; then
  declare -F | sed -n 's/^declare -f scenario_//p'
  exit 0
fi
bin=$1
scenario=$2
declare -F "scenario_$scenario" >/dev/null || { echo "FAIL [$scenario]: unknown scenario"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1

failed=0
printf 'A,B\nB,C\n\nB->C\n' >in.txt
cp in.txt in.orig
printf 'precious\n' >out.txt
cp out.txt out.orig
"scenario_$scenario"
same_bytes in.txt in.orig
exit $failed
